#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <utility>

namespace qlx {

// Lets tests answer a dialog without a person: queued answers are taken first, one per
// opening, then the hook function, and only when neither is there does the real dialog run.
// An answer of std::nullopt stands for Cancel.
template <typename Answer, typename Request> class DialogHook {
public:
    using Fn = std::function<std::optional<Answer>(const Request&)>;

    void queue(const std::optional<Answer>& answer) {
        m_queued.push_back({answer.has_value(), answer.value_or(Answer())});
    }
    void setFunction(Fn fn) { m_fn = std::move(fn); }
    void clear() {
        m_queued.clear();
        m_fn = {};
    }

    // Called at every opening. False when the real dialog should run; else true, with
    // `accepted` and, when accepted, `value` set to the answer.
    bool answer(const Request& request, bool& accepted, Answer& value) {
        ++m_openings;
        if (!m_queued.empty()) {
            accepted = m_queued.front().first;
            value = m_queued.front().second;
            m_queued.pop_front();
            return true;
        }
        if (!m_fn)
            return false;
        const std::optional<Answer> given = m_fn(request);
        accepted = given.has_value();
        if (accepted)
            value = *given;
        return true;
    }

    // How often the dialog was opened, hooked or not.
    int openings() const { return m_openings; }

private:
    std::deque<std::pair<bool, Answer>> m_queued;
    Fn m_fn;
    int m_openings = 0;
};

} // namespace qlx
