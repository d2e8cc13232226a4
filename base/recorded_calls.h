#pragma once

#include <deque>
#include <utility>
#include <variant>
#include <vector>

namespace base {

// A seam around something a test cannot let happen (a modal window, a new process): while
// one of these lives, the seam records each call instead of making it and answers it from
// the queue, or with the seam's own default once the queue is empty. The newest recorder
// of a kind takes the calls; the one before it gets them back when it ends.
template <class Call, class Reply = std::monostate>
class RecordedCalls {
public:
    RecordedCalls() : previous_(current) { current = this; }
    ~RecordedCalls() { current = previous_; }
    RecordedCalls(const RecordedCalls&) = delete;
    RecordedCalls& operator=(const RecordedCalls&) = delete;

    const std::vector<Call>& All() const { return calls_; }
    void Clear() { calls_.clear(); }
    // The answer to the next call not yet answered.
    void Answer(Reply reply) { replies_.push_back(std::move(reply)); }

    // For the seam: the recorder that takes calls now, or null when they are to be made.
    static RecordedCalls* Current() { return current; }
    // For the seam: records a call that takes no answer.
    void Record(Call call) { calls_.push_back(std::move(call)); }
    // For the seam: records a call and returns the answer next in the queue.
    Reply Ask(Call call, Reply unanswered = Reply())
    {
        calls_.push_back(std::move(call));
        if (replies_.empty())
            return unanswered;
        const Reply reply = replies_.front();
        replies_.pop_front();
        return reply;
    }

private:
    inline static RecordedCalls* current = nullptr;
    std::vector<Call> calls_;
    std::deque<Reply> replies_;
    RecordedCalls* previous_;
};

} // namespace base
