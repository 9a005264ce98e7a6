#pragma once

#include "notes/platform.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTest>

#include <optional>
#include <sys/stat.h>

// Records the editor launches instead of starting anything.
class RecordingPlatform final : public notes::Platform
{
public:
    QString perUserDataDirectory() const override { return {}; }
    bool openInEditor(const QString &path, std::optional<notes::TextPosition> caret) const override
    {
        m_paths << path;
        m_caret = caret;
        return m_editorStarts;
    }

    bool m_editorStarts = true;
    mutable QStringList m_paths;
    mutable std::optional<notes::TextPosition> m_caret;
};

inline QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(content), content.size());
}

// Where the safety copy of the journal at path lies: beside it, named by the file's inode.
inline QString safetyCopyOf(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return QString();
    return QFileInfo(path).dir().filePath(
        QStringLiteral(".gestiva-safety-copy-%1").arg(quint64(status.st_ino)));
}

inline QStringList entriesOf(const QString &directory)
{
    return QDir(directory).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}
