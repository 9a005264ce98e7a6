#pragma once

#include "dating/calendar.h"

namespace notes {

// The computer's clock, in local time.
class SystemClock final : public dating::Clock
{
public:
    dating::LocalTime now() const override;
};

} // namespace notes
