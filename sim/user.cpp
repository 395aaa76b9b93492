// The user at the keyboard: message boxes and modal dialogs answered from a
// script, and the program module's string table.
#include "internal.h"

#include <cstring>

namespace sim {

User& User::Answer(int answer, std::function<void()> action) {
    answers.push_back(Scripted{answer, std::move(action)});
    return *this;
}

std::vector<std::string> User::MessageTexts() const {
    std::vector<std::string> texts;
    for (const Shown& shown : transcript) {
        if (shown.kind == ShownKind::MessageBox) {
            texts.push_back(shown.text);
        }
    }
    return texts;
}

namespace {

// Whether a message box of this style has a button that gives `answer`.
bool BoxOffers(UINT style, int answer) {
    switch (style & 0xF) {
        case MB_OK: return answer == IDOK;
        case MB_OKCANCEL: return answer == IDOK || answer == IDCANCEL;
        case MB_RETRYCANCEL: return answer == IDRETRY || answer == IDCANCEL;
        default: return true;  // the other button sets are not checked
    }
}

bool DialogOffers(const DialogTemplate& dialog, int answer) {
    if (answer == IDOK || answer == IDCANCEL) {
        return true;  // Enter and Escape (or the close box)
    }
    for (const DialogControl& control : dialog.controls) {
        if (control.id == answer) {
            return true;
        }
    }
    return false;
}

// Takes the next scripted answer and runs its action; false when none is left.
bool NextAnswer(Machine& m, int* answer) {
    if (m.user.answers.empty()) {
        return false;
    }
    User::Scripted next = std::move(m.user.answers.front());
    m.user.answers.pop_front();
    if (next.action) {
        next.action();
    }
    *answer = next.answer;
    return true;
}

}  // namespace

}  // namespace sim

using sim::Current;
using sim::Fail;
using sim::Log;
using sim::Quote;
using sim::SetError;

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    sim::Machine& m = Current();
    sim::Shown shown{sim::ShownKind::MessageBox, owner, caption ? caption : "Error", text ? text : "", type, 0};
    int answer = 0;
    if (!sim::NextAnswer(m, &answer)) {
        Fail("MessageBoxA with no scripted answer left: " + Quote(shown.text.c_str()));
    } else if (answer != 0 && !sim::BoxOffers(type, answer)) {
        Fail("MessageBoxA: answer " + std::to_string(answer) + " is not a button of style " + sim::Hex(type) +
             ": " + Quote(shown.text.c_str()));
    }
    shown.answer = answer;
    shown.result = answer;
    m.user.transcript.push_back(shown);
    Log("MessageBoxA " + Quote(shown.title.c_str()) + " " + Quote(shown.text.c_str()) + " " + sim::Hex(type) +
        " -> " + std::to_string(answer));
    if (answer == 0) {
        SetError(ERROR_NOT_ENOUGH_MEMORY);
    }
    return answer;
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC dialogProc,
                        LPARAM initParam) {
    sim::Machine& m = Current();
    const sim::DialogTemplate* dialog = nullptr;
    UINT id = 0;
    if (instance == sim::ProgramInstance() && IS_INTRESOURCE(templateName)) {
        id = LOWORD(templateName);
        auto found = m.program.dialogs.find(id);
        if (found != m.program.dialogs.end()) {
            dialog = &found->second;
        }
    }
    if (dialog == nullptr) {
        Log("DialogBoxParamA " + std::to_string(id) + " -> -1 (1814)");
        SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return -1;
    }
    if (dialogProc == nullptr) {
        Fail("DialogBoxParamA: null dialog procedure");
        SetError(ERROR_INVALID_PARAMETER);
        return -1;
    }

    std::size_t entry = m.user.transcript.size();
    m.user.transcript.push_back(sim::Shown{sim::ShownKind::Dialog, owner, dialog->caption, "", dialog->style, 0, id});
    const std::string caption = dialog->caption;
    const sim::DialogTemplate dialogCopy = *dialog;  // the procedure may run code that changes the program module

    HWND window = reinterpret_cast<HWND>(m.internals().nextWindow);
    m.internals().nextWindow += 0x10;
    m.internals().dialogs.push_back(sim::DialogState{window});
    auto state = [&m]() -> sim::DialogState& { return m.internals().dialogs.back(); };

    INT_PTR initResult = dialogProc(window, WM_INITDIALOG, 0, initParam);
    m.user.transcript[entry].initDialogResult = initResult;

    INT_PTR result = -1;
    if (state().ended) {
        result = state().result;
    } else {
        int answer = 0;
        if (!sim::NextAnswer(m, &answer)) {
            Fail("DialogBoxParamA with no scripted answer left: dialog " + Quote(caption.c_str()));
        } else {
            if (!sim::DialogOffers(dialogCopy, answer)) {
                Fail("DialogBoxParamA: answer " + std::to_string(answer) + " is no control of dialog " +
                     Quote(caption.c_str()));
            }
            m.user.transcript[entry].answer = answer;
            dialogProc(window, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
            if (state().ended) {
                result = state().result;
            } else {
                Fail("DialogBoxParamA: the dialog procedure did not end dialog " + Quote(caption.c_str()) +
                     " after answer " + std::to_string(answer));
            }
        }
    }
    m.internals().dialogs.pop_back();
    m.user.transcript[entry].result = result;
    Log("DialogBoxParamA " + std::to_string(id) + " -> " + std::to_string(result));
    return result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    sim::Machine& m = Current();
    for (sim::DialogState& state : m.internals().dialogs) {
        if (state.window == dialog) {
            state.ended = true;
            state.result = result;
            Log("EndDialog " + std::to_string(result));
            return TRUE;
        }
    }
    Fail("EndDialog: not an open dialog");
    SetError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
}

int LoadStringA(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
    sim::Machine& m = Current();
    if (buffer == nullptr) {
        Fail("LoadStringA: null buffer");
        SetError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (bufferMax <= 0) {
        return 0;
    }
    auto found = m.program.strings.end();
    if (instance == sim::ProgramInstance()) {
        found = m.program.strings.find(id);
    }
    if (found == m.program.strings.end()) {
        buffer[0] = '\0';
        SetError(ERROR_RESOURCE_NAME_NOT_FOUND);
        Log("LoadStringA " + std::to_string(id) + " -> 0");
        return 0;
    }
    std::size_t count = found->second.size();
    if (count > static_cast<std::size_t>(bufferMax - 1)) {
        count = static_cast<std::size_t>(bufferMax - 1);
    }
    std::memcpy(buffer, found->second.data(), count);
    buffer[count] = '\0';
    Log("LoadStringA " + std::to_string(id) + " -> " + std::to_string(count));
    return static_cast<int>(count);
}
