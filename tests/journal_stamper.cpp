// Stamps a journal once, when told to, so that a test can kill it at any moment of the stamp:
// journal_stamper JOURNAL dd/mm/yyyy hh:mm:ss prints "ready", waits for a line on its standard
// input, prints "stamping", stamps, prints the outcome's number and what was set aside or kept, one a line,
// and exits 0 when the stamp is on the disk.
#include "notes/ecrireini.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fputs("usage: journal_stamper JOURNAL dd/mm/yyyy hh:mm:ss\n", stderr);
        return 2;
    }
    std::puts("ready");
    std::fflush(stdout);
    char line[16];
    if (!std::fgets(line, sizeof line, stdin))
        return 2;
    std::puts("stamping");
    std::fflush(stdout);
    const notes::ProfileWriteResult result = notes::stampJournal(
        QString::fromLatin1(argv[2]), QString::fromLatin1(argv[3]), QFile::decodeName(argv[1]));
    std::printf("%d\n%s\n%s\n", int(result.outcome), QFile::encodeName(result.setAside).constData(),
        QFile::encodeName(result.safetyCopy).constData());
    return result.outcome == notes::WriteOutcome::Written ? 0 : 1;
}
