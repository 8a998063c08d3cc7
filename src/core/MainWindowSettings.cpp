#include "MainWindowSettings.h"

#include "ProfileFile.h"

#include <algorithm>

namespace MainWindowSettings {

QSize withinScreen(QSize stored, QSize screen)
{
    int width = stored.width();
    if (width < 10 || width > screen.width())
        width = screen.width();
    int height = stored.height();
    if (height < 10 || height > screen.height() + 10)
        height = screen.height();
    return {width, height};
}

QSize readOuterSize(const ProfileFile& file, QSize screen)
{
    return withinScreen({file.readInteger(formSection, "Width", designedSize.width()),
                         file.readInteger(formSection, "height", designedSize.height())},
                        screen);
}

QSize clientSize(QSize outer, QMargins frame, QSize minimum)
{
    return outer.shrunkBy(frame).expandedTo(minimum);
}

int readModeIndex(const ProfileFile& file, int modeCount)
{
    const int id = file.readInteger(dictionarySection, "ID", 0);
    return id >= 0 && id < modeCount ? id : -1;
}

void write(ProfileFile& file, QSize outer, int modeIndex)
{
    file.writeInteger(formSection, "width", outer.width());
    file.writeInteger(formSection, "Height", outer.height());
    file.writeInteger(dictionarySection, "ID", modeIndex);
}

int readZoom(const ProfileFile& file)
{
    const int percent = file.readInteger(programSection, "Zoom", defaultZoom);
    return percent >= minimumZoom && percent <= maximumZoom ? percent : defaultZoom;
}

void writeZoom(ProfileFile& file, int percent)
{
    file.writeInteger(programSection, "Zoom", percent);
}

ColourChoice readColourChoice(const ProfileFile& file)
{
    const int choice = file.readInteger(programSection, "ColorScheme", 0);
    return choice >= 0 && choice <= 2 ? ColourChoice(choice) : ColourChoice::FollowDesktop;
}

bool readDarkPages(const ProfileFile& file)
{
    return file.readInteger(programSection, "DarkPages", 0) == 1;
}

void writeColours(ProfileFile& file, ColourChoice choice, bool darkPages)
{
    file.writeInteger(programSection, "ColorScheme", int(choice));
    file.writeInteger(programSection, "DarkPages", darkPages ? 1 : 0);
}

PopupChoices readPopupChoices(const ProfileFile& file)
{
    PopupChoices choices;
    const QSize size(file.readInteger(programSection, "PopupWidth", choices.size.width()),
                     file.readInteger(programSection, "PopupHeight", choices.size.height()));
    if (size.width() >= PopupChoices::minimumSize.width()
        && size.height() >= PopupChoices::minimumSize.height())
        choices.size = size;
    choices.pinned = file.readInteger(programSection, "PopupPinned", 0) == 1;
    // Key names are plain ASCII; anything else was not written by the program.
    if (const std::optional<QByteArray> key = file.readString(programSection, "PopupKey")) {
        const bool ascii = std::all_of(key->cbegin(), key->cend(),
                                       [](char c) { return c > 0x20 && c < 0x7f; });
        if (ascii)
            choices.key = QString::fromLatin1(*key);
    }
    choices.stayReady = file.readInteger(programSection, "StayReady", 0) == 1;
    return choices;
}

void writePopupChoices(ProfileFile& file, const PopupChoices& choices)
{
    file.writeInteger(programSection, "PopupWidth", choices.size.width());
    file.writeInteger(programSection, "PopupHeight", choices.size.height());
    file.writeInteger(programSection, "PopupPinned", choices.pinned ? 1 : 0);
    file.writeString(programSection, "PopupKey", choices.key.toLatin1());
    file.writeInteger(programSection, "StayReady", choices.stayReady ? 1 : 0);
}

} // namespace MainWindowSettings
