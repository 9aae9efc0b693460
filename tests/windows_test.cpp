// The dialog services: control messages on both backends, the modal result,
// failures, and the dialog template's geometry.
#include "platform/dialog/windows.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/display/DynamicError.h"
#include "platform/dialog/dialog_template.h"
#include "platform/dialog/headless/windows_headless.h"
#include "support/x11_session.h"

namespace {

constexpr int okButton = 1, fullscreenBox = 101, loopBox = 102, outputList = 103;

// What a procedure saw, and the control messages' answers it collected.
struct Observed {
    std::vector<int> commands;
    std::vector<LRESULT> answers;
    INT_PTR endWith = 42;
};
Observed observed;

LRESULT ask(HWND dialog, int control, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    LRESULT answer = SendDlgItemMessageA(dialog, control, message, wParam, lParam);
    observed.answers.push_back(answer);
    return answer;
}

// Exercises the list and check box messages during initialisation and ends
// the dialog there, so no user is needed on either backend.
INT_PTR exerciseControls(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND) observed.commands.push_back(LOWORD(wParam));
    if (message != WM_INITDIALOG) return 0;
    auto text = [](const char* s) { return reinterpret_cast<LPARAM>(s); };
    ask(dialog, outputList, CB_GETCURSEL);                // -1: empty
    ask(dialog, outputList, CB_ADDSTRING, 0, text("a"));  // 0
    ask(dialog, outputList, CB_ADDSTRING, 0, text("b"));  // 1
    ask(dialog, outputList, CB_SETCURSEL, 1);             // 1
    ask(dialog, outputList, CB_GETCURSEL);                // 1
    ask(dialog, outputList, CB_SETCURSEL, 2);             // CB_ERR, and nothing selected
    ask(dialog, outputList, CB_GETCURSEL);                // -1
    ask(dialog, outputList, CB_SETCURSEL, 0);             // 0
    ask(dialog, outputList, CB_RESETCONTENT);             // CB_OKAY, and nothing selected
    ask(dialog, outputList, CB_GETCURSEL);                // -1
    ask(dialog, fullscreenBox, BM_GETCHECK);              // unchecked
    ask(dialog, fullscreenBox, BM_SETCHECK, BST_CHECKED);
    ask(dialog, fullscreenBox, BM_GETCHECK);  // checked
    ask(dialog, loopBox, BM_SETCHECK, BST_CHECKED);
    ask(dialog, loopBox, BM_SETCHECK, BST_UNCHECKED);
    ask(dialog, loopBox, BM_GETCHECK);  // unchecked
    EXPECT_THROW(SendDlgItemMessageA(dialog, 999, CB_GETCURSEL, 0, 0), DynamicError);
    EXPECT_THROW(SendDlgItemMessageA(dialog, fullscreenBox, CB_ADDSTRING, 0, text("x")), DynamicError);
    EXPECT_THROW(SendDlgItemMessageA(dialog, okButton, BM_GETCHECK, 0, 0), DynamicError);
    EndDialog(dialog, observed.endWith);
    return 0;
}

class DialogBackendTest : public ::testing::TestWithParam<DialogBackend> {
protected:
    void SetUp() override {
        if (GetParam() == DialogBackend::Screen) {
            const char* display = std::getenv("DISPLAY");
            if (display == nullptr || *display == '\0') GTEST_SKIP() << "no DISPLAY for the GTK backend";
            // A user's locale that GTK could adopt, were it allowed to.
            setenv("LC_ALL", "C.UTF-8", 1);
        }
        selectDialogBackend(GetParam());
        setHeadlessDialogScript(nullptr);
        observed = Observed();
    }
    void TearDown() override { selectDialogBackend(DialogBackend::Headless); }
};

TEST_P(DialogBackendTest, ControlMessagesAnswerAlikeAndNotifyNoOne) {
    EXPECT_EQ(42, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, exerciseControls, 0));
    EXPECT_EQ((std::vector<LRESULT>{CB_ERR, 0, 1, 1, 1, CB_ERR, CB_ERR, 0, CB_OKAY, CB_ERR, BST_UNCHECKED, 0,
                                    BST_CHECKED, 0, 0, BST_UNCHECKED}),
              observed.answers);
    EXPECT_TRUE(observed.commands.empty()) << "a message was reported as a user's action";
    EXPECT_STREQ("C", std::setlocale(LC_ALL, nullptr)) << "showing a dialog changed the process's locale";
}

TEST_P(DialogBackendTest, FailureInTheProcedureLeavesNoDialogBehind) {
    static HWND failed;
    failed = nullptr;
    DLGPROC failing = [](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message == WM_INITDIALOG) {
            failed = dialog;
            throw DynamicError("procedure failed");
        }
        return 0;
    };
    EXPECT_THROW(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, failing, 0), DynamicError);
    ASSERT_NE(nullptr, failed);
    EXPECT_THROW(SendDlgItemMessageA(failed, fullscreenBox, BM_GETCHECK, 0, 0), DynamicError);
    EXPECT_THROW(EndDialog(failed, 1), DynamicError);
}

INSTANTIATE_TEST_SUITE_P(Backends, DialogBackendTest, ::testing::Values(DialogBackend::Headless, DialogBackend::Screen),
                         [](const ::testing::TestParamInfo<DialogBackend>& info) {
                             return info.param == DialogBackend::Screen ? std::string("Gtk") : std::string("Headless");
                         });

// The four drop-down lists and the labels that name them, by id.
constexpr int labelledLists[][2] = {{111, 103}, {112, 104}, {113, 105}, {114, 106}};

// How far each label's line of text sits from the middle of its list, in
// pixels, measured once the dialog is on the screen; Escape, pressed by the
// test, starts the measuring.
std::vector<double> labelOffsets;

INT_PTR measureLabels(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        for (const auto& pair : labelledLists) {
            SendDlgItemMessageA(dialog, pair[1], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Autodetect"));
            SendDlgItemMessageA(dialog, pair[1], CB_SETCURSEL, 0, 0);
        }
    }
    if (message != WM_COMMAND || LOWORD(wParam) != IDCANCEL) return 0;
    for (const auto& pair : labelledLists) {
        PixelBox text = gtkLabelTextBox(dialog, pair[0]);
        PixelBox list = gtkControlBox(dialog, pair[1]);
        labelOffsets.push_back((text.y + text.height / 2.0) - (list.y + list.height / 2.0));
    }
    EndDialog(dialog, 0);
    return 1;
}

// Presses Escape in the dialog until it has ended; ends the test program if
// that never happens, rather than leaving the dialog waiting for ever.
void pressEscapeUntil(const std::atomic<bool>& ended) {
    for (int attempt = 0; attempt < 100 && !ended; ++attempt) {
        const std::vector<std::string> shown =
            x11_session::lines(x11_session::runCommand("xdotool search --onlyvisible --name '^Configuration$'").output);
        if (!shown.empty()) x11_session::pressKeys(shown.front(), "Escape");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    if (ended) return;
    std::fprintf(stderr, "the dialog never appeared or did not take Escape\n");
    std::_Exit(1);
}

TEST(GtkDialogLayout, LabelsAreCentredOnTheListsTheyName) {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no DISPLAY for the GTK backend";
    selectDialogBackend(DialogBackend::Screen);
    labelOffsets.clear();
    std::atomic<bool> ended{false};
    std::thread presser(pressEscapeUntil, std::cref(ended));
    DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, measureLabels, 0);
    ended = true;
    presser.join();
    selectDialogBackend(DialogBackend::Headless);

    ASSERT_EQ(4u, labelOffsets.size());
    for (size_t i = 0; i < labelOffsets.size(); ++i) {
        EXPECT_LE(std::fabs(labelOffsets[i]), 1.0)
            << "label " << labelledLists[i][0] << " sits " << labelOffsets[i] << " px from the middle of its list";
    }
}

class HeadlessDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        selectDialogBackend(DialogBackend::Headless);
        clearHeadlessMessageBoxes();
        observed = Observed();
    }
    void TearDown() override { setHeadlessDialogScript(nullptr); }
};

INT_PTR recordCommands(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) observed.answers.push_back(lParam);
    if (message != WM_COMMAND) return 0;
    observed.commands.push_back(LOWORD(wParam));
    if (LOWORD(wParam) == okButton) EndDialog(dialog, 7);
    return 0;
}

TEST_F(HeadlessDialogTest, ReturnsWhatEndDialogGotAndDeliversNothingAfterIt) {
    setHeadlessDialogScript([](HeadlessDialog& dialog) {
        dialog.click(fullscreenBox);
        dialog.click(loopBox);  // disabled: no notification
        dialog.pressEnter();
        dialog.pressEscape();  // the dialog has ended
        dialog.click(okButton);
    });
    EXPECT_EQ(7, DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, recordCommands, 1234));
    EXPECT_EQ(std::vector<LRESULT>{1234}, observed.answers);  // the parameter reached WM_INITDIALOG
    EXPECT_EQ((std::vector<int>{fullscreenBox, okButton}), observed.commands);
}

TEST_F(HeadlessDialogTest, DialogLeftOpenIsAnError) {
    setHeadlessDialogScript([](HeadlessDialog& dialog) { dialog.click(fullscreenBox); });
    EXPECT_THROW(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, recordCommands, 0), DynamicError);
}

TEST_F(HeadlessDialogTest, UnknownTemplatesAndMissingProceduresAreErrors) {
    setHeadlessDialogScript([](HeadlessDialog& dialog) { dialog.pressEnter(); });
    EXPECT_EQ(7, DialogBoxParamA(nullptr, "#108", nullptr, recordCommands, 0));
    for (const char* name : {MAKEINTRESOURCEA(109), "#999", "#", "#108x", "Configuration"}) {
        EXPECT_THROW(DialogBoxParamA(nullptr, name, nullptr, recordCommands, 0), DynamicError);
    }
    EXPECT_THROW(DialogBoxParamA(nullptr, MAKEINTRESOURCEA(108), nullptr, nullptr, 0), DynamicError);
}

TEST_F(HeadlessDialogTest, MessageBoxesOfferOnlyOkAndNeedALiveOwner) {
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, "text", "caption", MB_OK));
    EXPECT_EQ(IDOK, MessageBoxA(nullptr, nullptr, nullptr, MB_OK | MB_ICONINFORMATION));
    ASSERT_EQ(2u, headlessMessageBoxes().size());
    EXPECT_EQ("", headlessMessageBoxes()[1].text);
    EXPECT_EQ("Error", headlessMessageBoxes()[1].caption);

    EXPECT_THROW(MessageBoxA(nullptr, "text", "caption", 0x1 /* OK and Cancel */), DynamicError);
    int notADialog = 0;
    EXPECT_THROW(MessageBoxA(&notADialog, "text", "caption", MB_OK), DynamicError);
    EXPECT_EQ(2u, headlessMessageBoxes().size());
}

TEST(DialogTemplate, ControlsHaveDistinctIdsAndLieInsideTheDialog) {
    const DialogTemplate& dialog = findDialogTemplate(MAKEINTRESOURCEA(108));
    EXPECT_STREQ("Configuration", dialog.caption);
    std::set<int> ids;
    for (const DialogControlTemplate& control : dialog.controls) {
        EXPECT_TRUE(ids.insert(control.id).second) << "id " << control.id << " twice";
        int height = control.kind == DialogControlKind::DropDownList ? 14 : control.height;  // closed lists
        EXPECT_GE(control.x, 0) << control.id;
        EXPECT_GE(control.y, 0) << control.id;
        EXPECT_LE(control.x + control.width, dialog.width) << control.id;
        EXPECT_LE(control.y + height, dialog.height) << control.id;
    }
    EXPECT_EQ(15u, ids.size());
}

}  // namespace
