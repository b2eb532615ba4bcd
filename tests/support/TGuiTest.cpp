#include "support/TGuiTest.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QTest>

#include <memory>

QString TGuiTest::ScreenshotDir()
{
    const QString build = qEnvironmentVariable("QUORVEL_BUILD_DIR");
    QDir dir(build.isEmpty() ? QDir::currentPath() : build);
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots"));
}

void TGuiTest::WarnMissing(const char* name)
{
    qWarning("missing control %s", name);
}

void TGuiTest::Click(const QObject* root, const char* name)
{
    auto* button = Find<QPushButton>(root, name);
    QVERIFY(button);
    QVERIFY2(button->isEnabled(), name);
    QTest::mouseClick(button, Qt::LeftButton);
}

QString TGuiTest::WithoutMnemonic(QString text)
{
    return text.remove(u'&');
}

QWidget* TGuiTest::TopLevel(const QString& name)
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == name && window->isVisible())
            return window;
    return nullptr;
}

void TGuiTest::ShowActive(QWidget* window)
{
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window));
}

void TGuiTest::WhenShown(QDialog* dialog, std::function<void()> act, bool* shown)
{
    auto* timer = new QTimer(dialog);
    timer->setInterval(5);
    auto ticks = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, dialog, [=] {
        if (dialog->isVisible() && QApplication::activeModalWidget() == dialog) {
            timer->stop();
            timer->deleteLater();
            if (shown)
                *shown = true;
            act();
            if (dialog->isVisible())
                dialog->reject();
        } else if (++*ticks > 400) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
}

std::unique_ptr<QObject> TGuiTest::WhenModal(const char* name, std::function<void(QWidget*)> act)
{
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(5);
    const QString wanted = QLatin1String(name);
    QTimer* watch = timer.get();
    QObject::connect(watch, &QTimer::timeout, watch, [watch, wanted, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != wanted)
            return;
        watch->stop();
        act(modal);
    });
    timer->start();
    return timer;
}

TGuiTest::TWindowDriver::TWindowDriver(std::function<bool()> step) : m_step(std::move(step))
{
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_done && m_step())
            m_done = true;
    });
    m_timer.start(0);
}
