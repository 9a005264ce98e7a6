#pragma once

#include "dating/calendar.h"

namespace formkit {

// The computer's clock, in local time.
class SystemClock final : public dating::Clock
{
public:
    dating::LocalTime now() const override;
};

} // namespace formkit
