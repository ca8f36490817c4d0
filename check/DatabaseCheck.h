#pragma once

#include "CheckReport.h"

#include "devices/DeviceForecast.h"

// Reports what the device identifier update would leave in a copy of a database: each stored device
// the walk reaches and what becomes of it, the devices that would keep their old identifiers, and
// where a short or malformed file ends the walk.
void reportDeviceForecast(const DatabaseForecast& forecast, CheckReport& report);
