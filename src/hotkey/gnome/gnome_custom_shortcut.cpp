// SPDX-License-Identifier: GPL-3.0-or-later
// GIO first: Qt's `signals` keyword, defined by its object headers, would break GIO's.
#include <gio/gio.h>

#include "gnome_custom_shortcut.h"

#include "hotkey/hotkey_log.h"

#include <QRegularExpression>

#include <memory>
#include <vector>

namespace quillo::gnome {
namespace {

constexpr char kListSchema[] = "org.gnome.settings-daemon.plugins.media-keys";
constexpr char kListKey[] = "custom-keybindings";
constexpr char kEntrySchema[] = "org.gnome.settings-daemon.plugins.media-keys.custom-keybinding";
constexpr const char* kEntryKeys[] = {"name", "command", "binding"};

struct Unref {
    void operator()(GSettings* settings) const { g_object_unref(settings); }
};
using Settings = std::unique_ptr<GSettings, Unref>;

bool hasSchema(const char* id, const char* key) {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema = source ? g_settings_schema_source_lookup(source, id, TRUE) : nullptr;
    const bool found = schema && g_settings_schema_has_key(schema, key);
    if (schema)
        g_settings_schema_unref(schema);
    return found;
}

// GSettings aborts the program on a schema it does not know: both are looked up first.
Settings openList() {
    if (!hasSchema(kListSchema, kListKey) || !hasSchema(kEntrySchema, "binding")) {
        qCDebug(lcHotKey) << "GNOME's custom shortcut schemas are not installed";
        return nullptr;
    }
    return Settings(g_settings_new(kListSchema));
}

Settings openEntry() {
    return Settings(g_settings_new_with_path(kEntrySchema, GnomeCustomShortcut::kPath));
}

QStringList listed(GSettings* list) {
    gchar** paths = g_settings_get_strv(list, kListKey);
    QStringList result;
    for (gchar** path = paths; *path; ++path)
        result << QString::fromUtf8(*path);
    g_strfreev(paths);
    return result;
}

void setListed(GSettings* list, const QStringList& paths) {
    std::vector<QByteArray> bytes;
    for (const QString& path : paths)
        bytes.push_back(path.toUtf8());
    std::vector<const gchar*> strings;
    for (const QByteArray& path : bytes)
        strings.push_back(path.constData());
    strings.push_back(nullptr);
    g_settings_set_strv(list, kListKey, strings.data());
}

// GNOME's settings daemon splits the command as a shell would; plain paths stay readable in its settings.
QString commandLine(const QStringList& command) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+=:-]+$"));
    QStringList words;
    for (const QString& word : command) {
        if (plain.match(word).hasMatch()) {
            words << word;
            continue;
        }
        gchar* quoted = g_shell_quote(word.toUtf8().constData());
        words << QString::fromUtf8(quoted);
        g_free(quoted);
    }
    return words.join(QLatin1Char(' '));
}

} // namespace

bool GnomeCustomShortcut::file(const QString& name, const QStringList& command, const QString& binding) {
    const Settings list = openList();
    if (!list)
        return false;
    // The entry is complete before the list names it, so the settings daemon never binds half of it.
    const Settings entry = openEntry();
    g_settings_set_string(entry.get(), "name", name.toUtf8().constData());
    g_settings_set_string(entry.get(), "command", commandLine(command).toUtf8().constData());
    g_settings_set_string(entry.get(), "binding", binding.toUtf8().constData());
    QStringList paths = listed(list.get());
    if (!paths.contains(QLatin1String(kPath)))
        setListed(list.get(), paths << QLatin1String(kPath));
    g_settings_sync();
    qCDebug(lcHotKey) << "filed GNOME's custom shortcut" << binding;
    return true;
}

void GnomeCustomShortcut::remove() {
    const Settings list = openList();
    if (!list)
        return;
    QStringList paths = listed(list.get());
    if (!paths.removeAll(QLatin1String(kPath)))
        return;
    setListed(list.get(), paths);
    const Settings entry = openEntry();
    for (const char* key : kEntryKeys)
        g_settings_reset(entry.get(), key);
    g_settings_sync();
    qCDebug(lcHotKey) << "took GNOME's custom shortcut off";
}

} // namespace quillo::gnome
