#include "sheet.h"

// The Windows build has no iCalendar library yet: the export is not offered there.
namespace sheet {

QByteArray toICalendar(const Sheet &, dating::Date)
{
    return {};
}

bool canExportCalendar()
{
    return false;
}

} // namespace sheet
