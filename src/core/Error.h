#pragma once

#include <QString>
#include <stdexcept>

// The program's one error type. Handlers let it fly up to their edge, where the
// standard error box shows text().
class Error : public std::runtime_error {
public:
    explicit Error(const QString& text) : std::runtime_error(text.toStdString()), m_text(text) {}
    QString text() const { return m_text; }

private:
    QString m_text;
};
