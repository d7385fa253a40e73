#include "platform/widgets/recording_dialogs.h"

namespace {

Tbox_answer first_button(Tbox_buttons buttons)
{
    switch (buttons) {
    case Tbox_buttons::yes_no:
    case Tbox_buttons::yes_no_cancel:
        return Tbox_answer::yes;
    case Tbox_buttons::retry_cancel:
        return Tbox_answer::retry;
    case Tbox_buttons::ok:
    case Tbox_buttons::ok_cancel:
        break;
    }
    return Tbox_answer::ok;
}

}  // namespace

Trecording_dialogs::Trecording_dialogs() : previous(set_dialog_seam(this)) {}

Trecording_dialogs::~Trecording_dialogs()
{
    set_dialog_seam(previous);
}

Tbox_answer Trecording_dialogs::messageBox(const Tmessage_box& box)
{
    boxes.push_back(box);
    if (box_answers.empty())
        return first_button(box.buttons);
    const Tbox_answer answer = box_answers.front();
    box_answers.pop_front();
    return answer;
}

std::string Trecording_dialogs::chooseFile(const Tfile_dialog& dialog)
{
    file_dialogs.push_back(dialog);
    if (file_answers.empty())
        return std::string();
    std::string answer = file_answers.front();
    file_answers.pop_front();
    return answer;
}

void Trecording_dialogs::setClipboardText(const std::string& text)
{
    clipboard = text;
}

std::string Trecording_dialogs::clipboardText()
{
    return clipboard;
}
