// GIO's headers use "signals" as a name, so this file is built without Qt's keywords.
#include "editors.h"
#include "platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <memory>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace notes {

namespace {

struct GObjectUnref
{
    void operator()(gpointer object) const { g_object_unref(object); }
};
template<typename T> using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct KeyFileFree
{
    void operator()(GKeyFile *file) const { g_key_file_free(file); }
};

bool launchWithFile(GAppInfo *application, const QString &path)
{
    const GObjectPtr<GFile> file(g_file_new_for_path(QFile::encodeName(path).constData()));
    GList files { file.get(), nullptr, nullptr };
    GError *error = nullptr;
    const bool launched = g_app_info_launch(application, &files, nullptr, &error);
    if (error)
        g_error_free(error);
    return launched;
}

// One argument of a desktop entry's Exec line, quoted by the entry's own rules.
QString execQuoted(QString argument)
{
    for (const QChar reserved : { u'\\', u'"', u'`', u'$' })
        argument.replace(reserved, QStringLiteral("\\") + reserved);
    argument.replace(u'%', QStringLiteral("%%"));
    return u'"' + argument + u'"';
}

// Stands for the file in a list of arguments, where no real argument can hold a zero character.
const QString fileMarker = QStringLiteral("\u0000file");

// A copy of a terminal application's entry whose Exec line carries the caret options, so that
// GIO still picks the terminal and passes the file.
bool launchInTerminalWithCaret(
    GDesktopAppInfo *application, const QString &program, const QStringList &arguments, const QString &path)
{
    const char *entry = g_desktop_app_info_get_filename(application);
    const std::unique_ptr<GKeyFile, KeyFileFree> keys(g_key_file_new());
    if (!entry || !g_key_file_load_from_file(keys.get(), entry, G_KEY_FILE_KEEP_TRANSLATIONS, nullptr))
        return false;
    QString exec = execQuoted(program);
    for (const QString &argument : arguments)
        exec += u' ' + (argument == fileMarker ? QStringLiteral("%f") : execQuoted(argument));
    g_key_file_set_string(
        keys.get(), G_KEY_FILE_DESKTOP_GROUP, G_KEY_FILE_DESKTOP_KEY_EXEC, exec.toUtf8().constData());
    // Activation over D-Bus would ignore the Exec line.
    g_key_file_remove_key(keys.get(), G_KEY_FILE_DESKTOP_GROUP, "DBusActivatable", nullptr);
    const GObjectPtr<GDesktopAppInfo> amended(g_desktop_app_info_new_from_keyfile(keys.get()));
    return amended && launchWithFile(G_APP_INFO(amended.get()), path);
}

bool startWithCaret(const QString &program, const QStringList &caret, const QString &path)
{
    return QProcess::startDetached(program, caret + QStringList { path });
}

// The words of the entry's Exec line, program first. GIO hands the line back as written; it is
// split as GIO itself splits it to start the program.
QStringList execWordsOf(GAppInfo *application)
{
    const char *commandLine = g_app_info_get_commandline(application);
    gchar **argv = nullptr;
    QStringList words;
    if (commandLine && g_shell_parse_argv(commandLine, nullptr, &argv, nullptr)) {
        for (gchar **word = argv; *word; ++word)
            words << QFile::decodeName(*word);
    }
    g_strfreev(argv);
    return words;
}

DesktopEntry desktopEntryOf(GAppInfo *application, GDesktopAppInfo *entry, const QStringList &execWords)
{
    DesktopEntry described { execWords.mid(1), {}, QString::fromUtf8(g_app_info_get_name(application)), {} };
    if (entry) {
        gchar *icon = g_desktop_app_info_get_string(entry, "Icon");
        described.icon = QString::fromUtf8(icon);
        g_free(icon);
        described.location = QFile::decodeName(g_desktop_app_info_get_filename(entry));
    }
    return described;
}

// The desktop's default application for plain text, resolved by GIO from mimeapps.list and
// the desktop entries. The caret options join the entry's own arguments.
bool openWithDefaultApplication(const QString &path, std::optional<TextPosition> caret)
{
    const GObjectPtr<GAppInfo> application(g_app_info_get_default_for_type("text/plain", FALSE));
    if (!application)
        return false;
    const QStringList execWords = execWordsOf(application.get());
    const QString program = execWords.value(0);
    const std::optional<QStringList> caretOptions
        = caret ? caretArguments(QFileInfo(program).fileName(), *caret) : std::nullopt;
    if (caretOptions) {
        GDesktopAppInfo *entry
            = G_IS_DESKTOP_APP_INFO(application.get()) ? G_DESKTOP_APP_INFO(application.get()) : nullptr;
        const DesktopEntry described = desktopEntryOf(application.get(), entry, execWords);
        const bool inTerminal = entry && g_desktop_app_info_get_boolean(entry, "Terminal");
        const QString found = QStandardPaths::findExecutable(program);
        const std::optional<QStringList> arguments
            = entryArguments(described, *caretOptions, inTerminal ? fileMarker : path);
        if (arguments && inTerminal
            && launchInTerminalWithCaret(entry, found.isEmpty() ? program : found, *arguments, path))
            return true;
        if (arguments && !inTerminal && !found.isEmpty() && QProcess::startDetached(found, *arguments))
            return true;
    }
    return launchWithFile(application.get(), path);
}

// The user's home: $HOME when it is an absolute path, else the account's own.
QString homeDirectory()
{
    const QString home = qEnvironmentVariable("HOME");
    if (QDir::isAbsolutePath(home))
        return home;
    std::vector<char> text(16384);
    passwd account {};
    passwd *found = nullptr;
    if (::getpwuid_r(::geteuid(), &account, text.data(), text.size(), &found) != 0 || !found
        || !found->pw_dir)
        return QString();
    const QString fromAccount = QFile::decodeName(found->pw_dir);
    return QDir::isAbsolutePath(fromAccount) ? fromAccount : QString();
}

// Where the user's data files go. The XDG base directory rules ignore a relative
// $XDG_DATA_HOME; Qt 6.4 takes it as it is, and makes "//.local/share" of an unset $HOME.
QString dataHome()
{
    const QString xdgDataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(xdgDataHome)
        || (xdgDataHome.isEmpty() && QDir::isAbsolutePath(qEnvironmentVariable("HOME"))))
        return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString home = homeDirectory();
    return home.isEmpty() ? QString() : home + QStringLiteral("/.local/share");
}

class LinuxPlatform final : public Platform
{
public:
    QString perUserDataDirectory() const override
    {
        const QString data = dataHome();
        return data.isEmpty() ? QString() : data + QStringLiteral("/gestiva");
    }

    bool openInEditor(const QString &path, std::optional<TextPosition> caret) const override
    {
        if (openWithDefaultApplication(path, caret))
            return true;
        for (const QString &name : commonGraphicalEditors()) {
            const QString program = QStandardPaths::findExecutable(name);
            if (program.isEmpty())
                continue;
            const std::optional<QStringList> caretOptions
                = caret ? caretArguments(name, *caret) : std::nullopt;
            if (startWithCaret(program, caretOptions.value_or(QStringList()), path))
                return true;
        }
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        return !opener.isEmpty() && QProcess::startDetached(opener, { path });
    }
};

} // namespace

const Platform &nativePlatform()
{
    static const LinuxPlatform platform;
    return platform;
}

} // namespace notes
