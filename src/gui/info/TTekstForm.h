#pragma once

#include <QWidget>

class QPlainTextEdit;
class QPushButton;

// A plain read-only text window: where the read-me opens when no program
// on the system takes text files.
class TTekstForm : public QWidget
{
    Q_OBJECT
public:
    explicit TTekstForm(QWidget *parent = nullptr);

    // Shows the file's text (UTF-8, else Windows-1252). False, with an error
    // message naming the file, when it cannot be read.
    bool ShowFile(const QString &fileName);

    QString Text() const;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QPlainTextEdit *TekstMemo;
    QPushButton *SluitenButton;
};
