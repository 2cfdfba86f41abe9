#pragma once

#include "audio/BurnCommand.h"
#include "burn/BurnFormRules.h"
#include "project/BurnPresets.h"

#include <QColor>
#include <QVector>
#include <QWidget>

class BurnPreview;
class PresetWidget;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// Page 3: the burn form. Source, subtitles and output, the encoding
// choices, the style of the burnt-in text, the encoding presets and a
// one-frame preview; "开始" hands a burn task to the task page.
class ConvertVideoWidget : public QWidget
{
    Q_OBJECT
public:
    explicit ConvertVideoWidget(QWidget *parent = nullptr);

    // The page's title bar, made by the window that holds the page.
    void setTitleBar(QWidget *titleBar);
    // Takes over the open project's media and last exported SRT.
    void prefillFromProject();

    // The burn the form describes now.
    BurnSettings settings() const;
    const BurnStyle &style() const { return m_style; }
    const Presets &presets() const { return m_presets; }
    int selectedPreset() const { return m_selectedPreset; }

    // The colour pickers' results, also without the dialog.
    void setTextColour(const QColor &colour);
    void setOutlineColour(const QColor &colour);

    QLineEdit *sourceEdit() const { return m_source; }
    QLineEdit *subtitleEdit() const { return m_subtitle; }
    QLineEdit *outputEdit() const { return m_output; }
    QComboBox *combo(const QString &label) const;
    QCheckBox *checkBox(const QString &text) const;
    QPushButton *button(const QString &text) const;
    QVector<PresetWidget *> presetRows() const { return m_presetRows; }
    QLabel *previewLabel() const { return m_preview; }
    QDoubleSpinBox *previewTime() const { return m_previewTime; }

public slots:
    void slot_clickSourceButton();
    void slot_clickSelectsrtButton();
    void slot_clickDestinationButton();
    void slot_clickStartButton();
    void slot_addSrtchboxtoggled(bool checked);
    void slot_clickSrtColorButton();
    void slot_clickSrtOutlineColorButton();
    void slot_Maxnormal(bool maximised);
    void slot_clickPreviewButton();

private:
    void buildForm();
    QWidget *buildPresetPanel();
    QComboBox *addCombo(const QString &label, const QStringList &items);
    void copyFormIntoStyle();
    void rebuildPresetRows();
    void selectPreset(int index);
    void copyPreset(int index);
    void deletePreset(int index);
    void encodingChanged();
    void savePresets();
    void showPresetInForm(const preset &p);

    BurnStyle m_style;
    Presets m_presets;
    int m_selectedPreset = -1;
    bool m_fillingForm = false;
    BurnIdMaker m_ids;

    QVBoxLayout *m_layout;
    QLineEdit *m_source;
    QLineEdit *m_subtitle;
    QLineEdit *m_output;
    QPushButton *m_textColour;
    QPushButton *m_outlineColour;
    QVBoxLayout *m_presetList;
    QVector<PresetWidget *> m_presetRows;
    QDoubleSpinBox *m_previewTime;
    QLabel *m_preview;
    BurnPreview *m_previewer;
};
