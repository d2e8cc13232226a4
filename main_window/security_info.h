#pragma once

#include "main_window/main_controls.h"
#include "omega/program_state.h"
#include "omega/security_text.h"   // NulToBlanks, CategoryName, PeriodName, ShortDate

#include <QString>

#include <cstdint>

void ClearSecurityInfo(const MainControls& controls);
// 1 when the symbol is blank (nothing else happens), otherwise 0.
int16_t ShowSecurityInfo(ProgramState& state, const MainControls& controls, const QString& symbol);
