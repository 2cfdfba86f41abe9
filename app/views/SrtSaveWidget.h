#pragma once

#include "base/FramedDialog.h"

class QComboBox;
class QPushButton;

// The export dialog: format and encoding, then a file name; writes the
// current subtitle list. A tool window, application-modal, deleted on close.
class SrtSaveWidget : public FramedDialog
{
    Q_OBJECT
public:
    explicit SrtSaveWidget(QWidget *parent = nullptr);

    QComboBox *formatComboBox() const { return m_format; }
    QComboBox *encodingComboBox() const { return m_encoding; }

public slots:
    void slot_clickSaveButton();
    void slot_clickCancelButton();
    void slot_fileFormatComboboxIndexChanged(int index);

private:
    // The codec to write with after the encoding-loss question; empty when
    // the user called the export off.
    QString confirmCodec(const QString &codecName, int lostCharacters);
    bool confirmOverwrite(const QString &path);

    QComboBox *m_format;
    QComboBox *m_encoding;
};
