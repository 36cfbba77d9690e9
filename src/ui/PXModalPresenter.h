#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// Every alert and action sheet of the app goes through here, so tests can
// answer them in advance and drive screens without a person. Answers always
// arrive later from the event loop, as a person's tap would, and never after
// the host widget is gone.
class PXModalPresenter
{
public:
    using Answer = std::function<void(int index)>;

    enum class Kind { Alert, ActionSheet, Prompt };
    struct Presentation
    {
        Kind kind;
        QString title;
        QString message;
        QStringList buttons; // in index order; an action sheet's cancel is last
    };

    // A modal alert over host's window; answer gets the index of the button.
    // Enter answers the last button, Escape answers 0.
    static void showAlert(QWidget *host, const QString &title, const QString &message,
                          const QStringList &buttons, Answer answer = {});
    // A title-less sheet from the bottom of host's window: buttons get 0..n-1,
    // cancelTitle (shown last, apart) gets n, as does a tap beside the sheet.
    static void showActionSheet(QWidget *host, const QStringList &buttons,
                                const QString &cancelTitle, Answer answer = {});
    // An alert that its caller may also take down: closing the returned
    // widget removes it without an answer. Null when a script answered it or
    // there is no host.
    static QPointer<QWidget> showPrompt(QWidget *host, const QString &title, const QString &message,
                                        const QStringList &buttons, Answer answer);

    // Tests: the next presentations are answered with these indices, in order,
    // instead of being shown. When the queue is empty they are shown. Turns
    // recording on.
    static void scriptAnswers(const QList<int> &indices);
    static int scriptedAnswersLeft();
    // While recording is on (tests turn it on, scripting does), every
    // presentation since the last clear, scripted or shown; a normal run
    // records nothing. Turning it off drops the record.
    static void setRecording(bool on);
    static QList<Presentation> presentations();
    static void clear();

private:
    static bool answerFromScript(QWidget *host, const Presentation &p, const Answer &answer);
};
