#pragma once

#include "GeneratorSettings.h"

#include <QDialog>
#include <QFont>

#include <functional>

class CGlyphPreview;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "GLF File Generation Program": shows the current character of the current font, steps
// through the codes, drops single characters, and opens the font, "Options", "Inclusions" and
// "Save as GLF" dialogs. It owns the generator's settings.
class CGlyphmillDlg : public QDialog {
public:
    // Asks for the file to write, starting in folder with name; empty when cancelled.
    using SaveFileNameProvider = std::function<QString(const QString& folder, const QString& name)>;
    // Lets the user choose a font starting from initial; false when cancelled.
    using FontChooser = std::function<bool(const QFont& initial, QFont& chosen)>;

    explicit CGlyphmillDlg(QWidget* parent = nullptr);

    const GeneratorSettings& Settings() const { return m_Settings; }
    GeneratorSettings& Settings() { return m_Settings; }
    const QFont& CurrentFont() const { return m_CurrentFont; }
    // Replaces the current font, as the font dialog's OK does.
    void SetCurrentFont(const FontDescription& description);

    void SetSaveFileNameProvider(SaveFileNameProvider provider) { m_fnSaveFileName = std::move(provider); }
    void SetFontChooser(FontChooser chooser) { m_fnChooseFont = std::move(chooser); }

    QPushButton* PreviousButton() const { return m_pPreviousButton; }
    QPushButton* NextButton() const { return m_pNextButton; }
    QLineEdit* CodeEdit() const { return m_pCodeEdit; }
    QCheckBox* SaveCharBox() const { return m_pSaveCharBox; }
    CGlyphPreview* Preview() const { return m_pPreview; }
    QWidget* PreviewFrame() const { return m_pPreviewFrame; }

    // The file name "Save as GLF" offers: the face name and ".GLF".
    QString DefaultFileName() const;
    // The folder "Save as GLF" starts in: "Fonts" below the working directory, when there is one.
    QString DefaultFolder() const;

    void OnPrevious();
    void OnNext();
    void OnCurrentCodeKillFocus();
    void OnSaveCharClicked();
    void OnSelectFont();
    void OnOptions();
    void OnInclusions();
    void OnSaveAsGlf();
    void OnClose();
    void OnAbout();
    // Shows the glyph sheet of the file the settings would write.
    void OnGlyphSheet();

    // Writes the current code and the save flag into their controls.
    void WriteControls();
    // Reads the edit and the check box; false, with the message, when the edit is refused.
    bool ReadControls();
    // Centres the preview, with a client area of W x H, in its frame.
    void LayOutPreview();
    // The line under the preview that names the font: family, size and style.
    QLabel* FontLabel() const { return m_pFontLabel; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void RefreshNavigation();
    void ShowFont();
    void ShowError(const QString& text);

    GeneratorSettings m_Settings;
    QFont m_CurrentFont;
    SaveFileNameProvider m_fnSaveFileName;
    FontChooser m_fnChooseFont;
    bool m_bValidatingCode = false;

    QPushButton* m_pPreviousButton;
    QPushButton* m_pNextButton;
    QPushButton* m_pSelectFontButton;
    QPushButton* m_pSaveButton;
    QPushButton* m_pOptionsButton;
    QPushButton* m_pInclusionsButton;
    QPushButton* m_pCloseButton;
    QCheckBox* m_pSaveCharBox;
    QLabel* m_pFontLabel;
    QLineEdit* m_pCodeEdit;
    QWidget* m_pPreviewFrame;
    CGlyphPreview* m_pPreview;
};
