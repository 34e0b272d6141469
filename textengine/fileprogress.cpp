#include "textengine/fileprogress.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include <exception>
#include <memory>

namespace kalamora::textengine {

namespace {

constexpr qint64 ShowAfterMs = 500;
constexpr qint64 PaintEveryMs = 50;

} // namespace

FileProgress::FileProgress(QWidget *control, const QString &what) : m_what(what)
{
    if (control && control->isVisible())
        m_window = control->window();
    m_clock.start();
}

FileProgress::~FileProgress()
{
    delete m_dialog;
}

void FileProgress::update()
{
    if (m_dialog || !m_window || m_clock.elapsed() < ShowAfterMs)
        return;
    m_dialog = new QProgressDialog(m_what, QString(), 0, 0, m_window);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoClose(false);
    m_dialog->setValue(0);
    m_dialog->show();
}

void FileProgress::inBackground(const std::function<void()> &work)
{
    if (!m_window) {
        work();
        return;
    }
    std::exception_ptr failure;
    QEventLoop loop;
    std::unique_ptr<QThread> thread(QThread::create([&work, &failure] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QObject::connect(thread.get(), &QThread::finished, &loop, &QEventLoop::quit);
    QTimer tick;
    tick.setInterval(PaintEveryMs);
    QObject::connect(&tick, &QTimer::timeout, &loop, [this] { update(); });
    tick.start();
    thread->start();
    // Input waits in the queue: the window paints, nothing else happens.
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    thread->wait();
    m_lastStep = m_clock.elapsed();
    if (failure)
        std::rethrow_exception(failure);
}

void FileProgress::step()
{
    if (!m_window || m_clock.elapsed() - m_lastStep < PaintEveryMs)
        return;
    m_lastStep = m_clock.elapsed();
    update();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace kalamora::textengine
