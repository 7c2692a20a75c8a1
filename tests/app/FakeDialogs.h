// Dialogs that record every message and answer from a script, for window tests.
#pragma once

#include "app/Dialogs.h"
#include "support/QtPrinters.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <ostream>
#include <vector>

namespace quorvel::app::test {

class FakeDialogs : public Dialogs
{
public:
    using Button = Dialogs::Button;

    Button show(const Message& message) override
    {
        shown.push_back(message);
        if (onShow)
            onShow(message);
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected box: " << message.caption.toStdString() << " / " << message.text.toStdString();
            return message.defaultButton;
        }
        Button b = answers.front();
        answers.pop_front();
        return b;
    }

    std::optional<QString> chooseFile(QFileDialog&) override
    {
        ++fileDialogRuns;
        if (files.empty()) {
            ADD_FAILURE() << "unexpected file dialog";
            return std::nullopt;
        }
        auto f = files.front();
        files.pop_front();
        return f;
    }

    /// Texts of the boxes shown so far, and forgets them.
    std::vector<QString> takeTexts()
    {
        std::vector<QString> texts;
        for (const auto& m : shown)
            texts.push_back(m.text);
        shown.clear();
        return texts;
    }

    std::deque<Button> answers;
    std::deque<std::optional<QString>> files;
    std::vector<Message> shown;
    std::function<void(const Message&)> onShow;
    int fileDialogRuns = 0;
};

} // namespace quorvel::app::test
