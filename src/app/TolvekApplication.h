#pragma once

#include <QApplication>

// The application object. Whatever error escapes an event handler ends up
// here and is shown in the general error box; the program goes on.
class TolvekApplication : public QApplication
{
    Q_OBJECT
public:
    TolvekApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
