// The folder list under Wine on a tree of names that end in "." or " ": every file and folder is a row
// of its own with its own size, folder totals included.
#include <gtest/gtest.h>
#include <windows.h>

#include "platform/OddNameTree.h"
#include "shell/ShellListView_win.h"
#include "ui/Forms.h"
#include "ui/UiTestEnv.h"

TEST(OddNamesList, EveryNameIsARowWithItsOwnSize) {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    vstest::TOddNameTree tree;
    ASSERT_TRUE(tree.Made());
    {
        std::unique_ptr<TForm> form = uitest::HostForm(900, 500);
        auto* list = new TStShellListView(form.get(), form.get());
        list->SetAlign(alClient);
        form->Show();
        list->SetCalcFolderSize(true);
        list->SetRootFolder(tree.Dir.Utf8());
        // The folders' figures come from the walk, through the message loop.
        ASSERT_TRUE(uitest::PumpUntil([&] { return !list->Model().Walking(); }, 20000));

        struct {
            const char* Caption;
            const char* Size;
            const char* Files;  // the file count of a folder; a file's row shows "1"
        } rows[] = {
            {"x", "8KB", "1"},   {"x.", "16KB", "1"},  {"x ", "32KB", "1"},
            {"sub", "1KB", "1"}, {"sub.", "6KB", "2"}, {"sub. ", "64KB", "1"},
        };
        ASSERT_EQ(list->ItemCount(), static_cast<int>(std::size(rows)));
        for (const auto& r : rows) {
            SCOPED_TRACE(r.Caption);
            int found = 0;
            for (int i = 0; i < list->ItemCount(); ++i) {
                const auto& item = list->Item(i);
                if (item.Caption != r.Caption) continue;
                ++found;
                ASSERT_GE(item.SubItems.size(), 4u);
                EXPECT_EQ(item.SubItems[0], r.Size);
                EXPECT_EQ(item.SubItems[3], r.Files);
            }
            EXPECT_EQ(found, 1);
        }
    }
    uitest::Pump();
    EXPECT_TRUE(uitest::TakeBoxes().empty());
}
