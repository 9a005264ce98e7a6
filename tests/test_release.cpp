#include "mainwindow/texts.h"

#include <QDateTime>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <QtTest>

// The version and its releases stand in several places that people and tools read: CMake's
// project(VERSION), which the program and its manual page take, the window's caption, the
// package's changelog and the metainfo's releases. These must tell the same story.
class TestRelease : public QObject
{
    Q_OBJECT

private slots:
    void captionShowsTheVersion();
    void changelogOpensWithThisVersion();
    void metainfoReleasesFollowTheChangelog();
};

namespace {

struct Release
{
    QString version;
    QDate date;
};

// "1.1.0 2026-12-09", readable where two lists differ.
QStringList described(const QList<Release> &releases)
{
    QStringList lines;
    for (const Release &release : releases)
        lines << release.version + u' ' + release.date.toString(Qt::ISODate);
    return lines;
}

QString textOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// Each entry of a Debian changelog: its version from the heading line, its day from the
// maintainer's line, in the time zone written there.
QList<Release> changelogReleases()
{
    static const QRegularExpression heading(QStringLiteral("^gestiva \\(([^)]+)\\) "));
    static const QRegularExpression trailer(QStringLiteral("^ -- .+ <.+>  (.+)$"));
    QList<Release> releases;
    for (const QString &line : textOf(QStringLiteral(GESTIVA_CHANGELOG)).split(u'\n')) {
        if (const auto match = heading.match(line); match.hasMatch())
            releases.append({ match.captured(1), {} });
        else if (const auto signature = trailer.match(line); signature.hasMatch() && !releases.isEmpty())
            releases.last().date = QDateTime::fromString(signature.captured(1), Qt::RFC2822Date).date();
    }
    return releases;
}

QList<Release> metainfoReleases()
{
    QXmlStreamReader xml(textOf(QStringLiteral(GESTIVA_METAINFO)));
    QList<Release> releases;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"release") {
            const auto attributes = xml.attributes();
            releases.append({ attributes.value(QStringLiteral("version")).toString(),
                QDate::fromString(attributes.value(QStringLiteral("date")).toString(), Qt::ISODate) });
        }
    }
    if (xml.hasError())
        return {};
    return releases;
}

} // namespace

void TestRelease::captionShowsTheVersion()
{
    QCOMPARE(texts::clockPrefix,
        QStringLiteral("Gestiva%1.%2 ").arg(PROJECT_VERSION_MAJOR).arg(PROJECT_VERSION_MINOR));
}

void TestRelease::changelogOpensWithThisVersion()
{
    const QList<Release> releases = changelogReleases();
    QVERIFY(!releases.isEmpty());
    QCOMPARE(releases.first().version, QStringLiteral(PROJECT_VERSION));
    for (const Release &release : releases)
        QVERIFY2(release.date.isValid(), qPrintable(release.version));
}

// The newest first in both, every release in both, on the same day.
void TestRelease::metainfoReleasesFollowTheChangelog()
{
    const QList<Release> releases = metainfoReleases();
    QVERIFY(!releases.isEmpty());
    QCOMPARE(described(releases), described(changelogReleases()));
}

QTEST_APPLESS_MAIN(TestRelease)
#include "test_release.moc"
