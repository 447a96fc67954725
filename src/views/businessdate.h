#pragma once
// The business date of an outlet at a moment: the calendar date, except
// while a meal period that runs past midnight is in its hours after
// midnight. A supper of 22:00 to 02:00 belongs to the day it started, so at
// 01:00 the business date is still yesterday.
#include "platform/datetime.h"

class MPOutlets;

DateTime BusinessDate(const MPOutlets& periods, const DateTime& now);
