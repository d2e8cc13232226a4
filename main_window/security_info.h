#pragma once

#include "main_window/main_window_controls.h"
#include "omega/program_state.h"
#include "omega/security_text.h"   // NulToBlanks, CategoryName, PeriodName, ShortDate

#include <QString>

#include <cstdint>

void ClearSecurityInfo(const MainWindowControls& controls);
// 1 when the symbol is blank (nothing else happens), otherwise 0.
int16_t ShowSecurityInfo(ProgramState& state, const MainWindowControls& controls, const QString& symbol);
