#pragma once

#include "base/recorded_calls.h"

#include <cstdint>

namespace widgets {

// Where help requests go: the program's built-in help window. A request names no
// owner window and its failures are not reported.
class HelpEngine {
public:
    virtual ~HelpEngine() = default;
    virtual void ShowContext(int32_t context) = 0;
    virtual void ShowIndex() = 0;
};

// Installs the engine help requests go to; null drops them. The caller keeps it alive.
void SetHelpEngine(HelpEngine* engine);

void ShowHelpContext(int32_t context);
void ShowHelpIndex();

struct HelpRequest {
    enum class Kind { Context, Index };
    Kind kind = Kind::Index;
    int32_t context = 0;
    bool operator==(const HelpRequest&) const = default;
};

// While one of these lives, help requests are recorded instead of shown.
using RecordedHelpRequests = base::RecordedCalls<HelpRequest>;

} // namespace widgets
