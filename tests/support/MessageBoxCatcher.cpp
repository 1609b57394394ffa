#include "support/MessageBoxCatcher.h"

namespace qlx::test {

MessageBoxCatcher::MessageBoxCatcher() {
    MessageBox::setHook([this](const MessageBoxShown& box) { m_shown.push_back(box); });
    MessageBox::setQuestionHook([this](const MessageBoxShown& box) {
        m_questions.push_back(box);
        if (m_answers.empty())
            return MessageBox::Answer::Yes;
        const MessageBox::Answer answer = m_answers.front();
        m_answers.erase(m_answers.begin());
        return answer;
    });
}

MessageBoxCatcher::~MessageBoxCatcher() {
    MessageBox::setHook({});
    MessageBox::setQuestionHook({});
}

QStringList MessageBoxCatcher::texts() const {
    QStringList out;
    for (const auto& box : m_shown)
        out << box.text;
    return out;
}

} // namespace qlx::test
