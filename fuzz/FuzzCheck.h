#pragma once

#include <QByteArray>
#include <cstdio>
#include <cstdlib>

// A broken property is a crash to libFuzzer: it saves the input that caused it.
#define FUZZ_CHECK(condition)                                                                 \
    do {                                                                                      \
        if (!(condition)) {                                                                   \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__,          \
                         #condition);                                                         \
            std::abort();                                                                     \
        }                                                                                     \
    } while (false)

inline QByteArray toBytes(const std::string& text)
{
    return QByteArray(text.data(), qsizetype(text.size()));
}
