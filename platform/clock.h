#pragma once

#include <QDate>

namespace platform {

// Today's date; tests stand in their own.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDate today() const = 0;
};

class SystemClock final : public Clock
{
public:
    QDate today() const override;
};

} // namespace platform
