#include "help_request.h"

namespace widgets {

namespace {
HelpEngine* engine = nullptr;
} // namespace

void SetHelpEngine(HelpEngine* newEngine) { engine = newEngine; }

void ShowHelpContext(int32_t context)
{
    if (RecordedHelpRequests* recorder = RecordedHelpRequests::Current())
        recorder->Record({HelpRequest::Kind::Context, context});
    else if (engine)
        engine->ShowContext(context);
}

void ShowHelpIndex()
{
    if (RecordedHelpRequests* recorder = RecordedHelpRequests::Current())
        recorder->Record({HelpRequest::Kind::Index, 0});
    else if (engine)
        engine->ShowIndex();
}

} // namespace widgets
