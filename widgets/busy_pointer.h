#pragma once

namespace widgets {

// The hourglass for the whole screen. Not counted: setting it twice and clearing it
// once gives the normal pointer again.
void SetBusyPointer(bool busy);
bool IsBusyPointer();

} // namespace widgets
