#pragma once

#include <QStringList>
#include <vector>

#include "widgets/MessageBox.h"

namespace qlx::test {

// Collects the message boxes shown while it lives, instead of showing them. Questions are
// collected apart and answered from the queued answers, then with Yes.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    const std::vector<MessageBoxShown>& shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

    const std::vector<MessageBoxShown>& questions() const { return m_questions; }
    void queueAnswer(MessageBox::Answer answer) { m_answers.push_back(answer); }

private:
    std::vector<MessageBoxShown> m_shown;
    std::vector<MessageBoxShown> m_questions;
    std::vector<MessageBox::Answer> m_answers;
};

} // namespace qlx::test
