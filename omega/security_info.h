#pragma once

#include "omega/main_controls.h"
#include "omega/program_state.h"

#include <QByteArray>
#include <QString>

#include <cstdint>

// Every character from the first NUL on becomes a blank; the length stays.
QByteArray NulToBlanks(const QByteArray& text);
QString CategoryName(int16_t code);
QString PeriodName(int16_t code);
// A day number in the user's short date format, always with a four-digit year.
QString ShortDate(int32_t serial);

void ClearSecurityInfo(const MainControls& controls);
// 1 when the symbol is blank (nothing else happens), otherwise 0.
int16_t ShowSecurityInfo(ProgramState& state, const MainControls& controls, const QString& symbol);
