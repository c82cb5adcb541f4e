#pragma once

#include <QList>
#include <QString>

namespace platform::wallpaper {

// One key of a GSettings schema that names the wallpaper, and how it wants
// the file: as a "file://" URI or as a plain path.
struct GSettingsKey
{
    enum class Form { Uri, Path };
    QString name;
    Form form = Form::Uri;
};

// A schema, the keys in it that Tavelo writes, and the key of how the picture
// fits the screen, where its value "none" (a plain colour) becomes "zoom".
struct GSettingsTarget
{
    QString schemaId;
    QList<GSettingsKey> keys;
    QString modeKey = {};
};

// org.gnome.desktop.background: picture-uri and picture-uri-dark, so the
// picture shows in the light and the dark style alike; picture-options.
GSettingsTarget gnomeTarget();
// org.cinnamon.desktop.background: picture-uri; picture-options.
GSettingsTarget cinnamonTarget();
// org.mate.background: picture-filename, a plain path; MATE has no mode "none".
GSettingsTarget mateTarget();

// Writes the file into the target's keys through GIO and reads them back.
// A schema that is not installed is left alone (opening it would abort the
// process), and so is every key the installed schema lacks (older GNOME has
// no picture-uri-dark). True when at least one key was written and every key
// written, the mode's too, reads back as written: with no session bus the
// settings store can drop a write while reporting success.
bool applyGSettings(const GSettingsTarget &target, const QString &bitmapPath);

} // namespace platform::wallpaper
