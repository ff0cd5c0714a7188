// What a document tells the main window: its recognitions and its changes outside the
// commands, whatever the number of its windows, and the notes of its panes.
#include "GuiFixture.h"

#include <QSignalSpy>
#include <QStatusBar>

using namespace guitest;

TEST_F(CGuiDocumentTest, RecognitionsChangesAndPaneNotesReachTheMainWindowOnce)
{
    StartApp();
    CGuiDocument& document = *GuiDoc();
    // The trace is passed by reference: counted as it comes, by a receiver that goes with the test.
    QObject receiver;
    int recognized = 0;
    const RecognitionTrace* told = nullptr;
    QObject::connect(&document, &CGuiDocument::Recognized, &receiver, [&](const RecognitionTrace& trace) {
        ++recognized;
        told = &trace;
    });
    QSignalSpy changed(&document, &CGuiDocument::Changed);
    // Nothing to read yet: no positions, no trace, nothing said.
    ASSERT_TRUE(Trigger(CommandId::kRecognizeSimple));
    EXPECT_EQ(recognized, 0);
    EXPECT_FALSE(Main().statusBar()->currentMessage().contains(QStringLiteral("recognition")));

    SetText(QStringLiteral("bed"));
    ASSERT_TRUE(Trigger(CommandId::kWindowNew));
    ASSERT_EQ(document.Frames().size(), 2u);
    ASSERT_TRUE(Trigger(CommandId::kRecognizeComplex));
    EXPECT_EQ(recognized, 1);
    EXPECT_EQ(told, &Doc().Trace());
    EXPECT_EQ(Doc().Trace().kind, RecognitionTrace::Kind::Complex);
    EXPECT_EQ(Main().statusBar()->currentMessage(), QString::fromStdString(Doc().Trace().Summary()));

    // A stroke in the second window changes the document where no command sees it.
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    Main().setWindowModified(false);
    Press(Graphics(), {12, 12});
    Move(Graphics(), {20, 14});
    Release(Graphics(), {20, 14});
    EXPECT_GE(changed.count(), 1);
    EXPECT_TRUE(Main().isWindowModified());

    // A press outside graphics mode: the pane's note, from either window.
    ASSERT_TRUE(Trigger(CommandId::kEditGraphics));
    QSignalSpy notes(Frame(), &CChildFrame::StatusHint);
    Press(Graphics(), {12, 12});
    ASSERT_EQ(notes.count(), 1);
    EXPECT_EQ(notes.at(0).at(0).toString(), QString::fromUtf8(CRecGraphicsView::kDrawingOffHint));
    EXPECT_EQ(Main().statusBar()->currentMessage(), QString::fromUtf8(CRecGraphicsView::kDrawingOffHint));
}
