#include "help_request.h"

namespace widgets {

namespace {
HelpEngine* engine = nullptr;
RecordedHelpRequests* recorder = nullptr;
} // namespace

RecordedHelpRequests::RecordedHelpRequests() : previous_(recorder) { recorder = this; }
RecordedHelpRequests::~RecordedHelpRequests() { recorder = previous_; }

void SetHelpEngine(HelpEngine* newEngine) { engine = newEngine; }

void ShowHelpContext(int32_t context)
{
    if (recorder)
        recorder->requests_.push_back({HelpRequest::Kind::Context, context});
    else if (engine)
        engine->ShowContext(context);
}

void ShowHelpIndex()
{
    if (recorder)
        recorder->requests_.push_back({HelpRequest::Kind::Index, 0});
    else if (engine)
        engine->ShowIndex();
}

} // namespace widgets
