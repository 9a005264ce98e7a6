#pragma once

#include "sheet/sheet.h"

#include <QString>
#include <QStringList>

#include <optional>

// gestiva --sheet, the pregnancy sheet without a window:
//   one way to the conception date: --dr DATE [--cycle DAYS] | --dg DATE
//     | --scan DATE --crl MM [--crl-formula robinson|intergrowth] [--dr DATE [--cycle DAYS]
//       [--redate always|5|7]] | --retrieval DATE | --insemination DATE
//     | --transfer DATE --embryo-age DAYS
//   [--today DATE] [--children N] [--fetuses N] [--rh-negative] [--birth DATE]
//   [--format text|summary|html|pdf|ics] [--output FILE]
namespace commandline {

struct Command
{
    sheet::Request request;
    QString format; // text, summary, html, pdf or ics
    QString output; // "-" for standard output
};

struct Answer
{
    std::optional<Command> command; // none: the window is wanted, or help was given
    QString problem; // one line for standard error; not empty when the command line is refused
    QString shown; // --help or --version, for standard output
};

// arguments: the program's own, the program name first, each decoded from its bytes.
Answer read(const QStringList &arguments, dating::Date today);

// An argument that does not come back to its own bytes once decoded: a file of another name would
// be written. Gives the problem, or an empty text.
QString undecodableArgument(int argc, char *argv[]);

// PDF and HTML draw the timeline, which needs fonts and so a GUI application (offscreen will do).
bool needsPainting(const Command &command);

// Writes the sheet in full, or nothing at all: the problem, or an empty text.
QString run(const Command &command);

// A refusal on one line: control characters shown escaped.
QString oneLine(const QString &text);

} // namespace commandline
