// GIO first: its headers use "signals" as a name, which Qt defines as a macro.
#include <gio/gio.h>

#include "platform/wallpaper/gsettingswallpaper.h"

#include <QFile>

#include <memory>
#include <utility>

namespace platform::wallpaper {

namespace {

// Owns a GLib object and hands it back to the function that frees it.
template<typename T, auto release>
struct Releaser
{
    void operator()(T *object) const { release(object); }
};
template<typename T, auto release>
using Owned = std::unique_ptr<T, Releaser<T, release>>;

using GText = Owned<gchar, g_free>;
using Schema = Owned<GSettingsSchema, g_settings_schema_unref>;
using SchemaKey = Owned<GSettingsSchemaKey, g_settings_schema_key_unref>;
using Settings = Owned<GSettings, g_object_unref>;

// The file as the key wants it; empty when GLib cannot express it.
QByteArray keyValue(GSettingsKey::Form form, const QString &bitmapPath)
{
    const QByteArray fileName = QFile::encodeName(bitmapPath);
    if (form == GSettingsKey::Form::Path)
        return fileName;
    // GLib's own escaping, the form GNOME's settings panel writes.
    const GText uri(g_filename_to_uri(fileName.constData(), nullptr, nullptr));
    return uri ? QByteArray(uri.get()) : QByteArray();
}

bool isStringKey(GSettingsSchema *schema, const QByteArray &name)
{
    if (!g_settings_schema_has_key(schema, name.constData()))
        return false;
    const SchemaKey key(g_settings_schema_get_key(schema, name.constData()));
    return g_variant_type_equal(g_settings_schema_key_get_value_type(key.get()),
                                G_VARIANT_TYPE_STRING);
}

} // namespace

GSettingsTarget gnomeTarget()
{
    return { QStringLiteral("org.gnome.desktop.background"),
             { { QStringLiteral("picture-uri"), GSettingsKey::Form::Uri },
               { QStringLiteral("picture-uri-dark"), GSettingsKey::Form::Uri } },
             QStringLiteral("picture-options") };
}

GSettingsTarget cinnamonTarget()
{
    return { QStringLiteral("org.cinnamon.desktop.background"),
             { { QStringLiteral("picture-uri"), GSettingsKey::Form::Uri } },
             QStringLiteral("picture-options") };
}

GSettingsTarget mateTarget()
{
    return { QStringLiteral("org.mate.background"),
             { { QStringLiteral("picture-filename"), GSettingsKey::Form::Path } } };
}

bool applyGSettings(const GSettingsTarget &target, const QString &bitmapPath)
{
    GSettingsSchemaSource *source = g_settings_schema_source_get_default();
    if (!source)
        return false;
    const QByteArray schemaId = target.schemaId.toUtf8();
    const Schema schema(g_settings_schema_source_lookup(source, schemaId.constData(), TRUE));
    if (!schema)
        return false;
    const Settings settings(g_settings_new_full(schema.get(), nullptr, nullptr));

    QList<std::pair<QByteArray, QByteArray>> written;
    for (const GSettingsKey &key : target.keys) {
        const QByteArray name = key.name.toUtf8();
        const QByteArray value = keyValue(key.form, bitmapPath);
        if (value.isEmpty() || !isStringKey(schema.get(), name))
            continue;
        if (!g_settings_set_string(settings.get(), name.constData(), value.constData()))
            return false; // the key is locked down
        written.append({ name, value });
    }
    if (written.isEmpty())
        return false;
    // A plain colour would hide the picture: the mode that fills the screen.
    const QByteArray mode = target.modeKey.toUtf8();
    if (!mode.isEmpty() && g_settings_schema_has_key(schema.get(), mode.constData())) {
        const GText current(g_settings_get_string(settings.get(), mode.constData()));
        if (qstrcmp(current.get(), "none") == 0
            && g_settings_set_string(settings.get(), mode.constData(), "zoom"))
            written.append({ mode, "zoom" });
    }
    g_settings_sync();

    for (const auto &[name, value] : std::as_const(written)) {
        const GText stored(g_settings_get_string(settings.get(), name.constData()));
        if (!stored || value != stored.get())
            return false;
    }
    return true;
}

} // namespace platform::wallpaper
