#include "MainWindowSettings.h"

#include "ProfileFile.h"

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

} // namespace MainWindowSettings
