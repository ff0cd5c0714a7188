#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

// Plays the user for modal dialogs opened while it lives: every message box is answered with
// its default button and its text recorded; any other dialog is given to the next queued
// handler, which must close it.
class CModalDriver {
public:
    using Handler = std::function<void(QWidget* dialog)>;

    CModalDriver()
    {
        m_Timer.setInterval(5);
        QObject::connect(&m_Timer, &QTimer::timeout, [this] { Poll(); });
        m_Timer.start();
    }

    void Then(Handler handler) { m_Handlers.push_back(std::move(handler)); }
    // Lets the next dialog, one that closes itself, run on its own.
    void LetRun() { Then([](QWidget*) {}); }

    const QStringList& Messages() const { return m_Messages; }
    bool HandlersLeft() const { return !m_Handlers.empty(); }

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->property("glyphmillTestHandled").toBool())
            return;
        modal->setProperty("glyphmillTestHandled", true);
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            m_Messages << box->text();
            box->accept();
            return;
        }
        if (m_Handlers.empty()) {
            m_Messages << QStringLiteral("unexpected dialog: ") + modal->windowTitle();
            QMetaObject::invokeMethod(modal, "reject", Qt::QueuedConnection);
            return;
        }
        Handler handler = std::move(m_Handlers.front());
        m_Handlers.pop_front();
        handler(modal);
    }

    QTimer m_Timer;
    std::deque<Handler> m_Handlers;
    QStringList m_Messages;
};
