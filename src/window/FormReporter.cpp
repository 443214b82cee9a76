#include "window/FormReporter.h"

#include <QCoreApplication>
#include <thread>

namespace eit::window {

namespace {
void Note(std::string& held, bool& changed, std::string_view text)
{
    if (held == text) return;
    held.assign(text);
    changed = true;
}
}  // namespace

FormReporter::FormReporter(const ReportControls& controls) : c_(controls)
{
    message_.text = c_.currentMessage->text().toLocal8Bit().toStdString();
    extracted_.text = c_.extracted->text().toLocal8Bit().toStdString();
}

void FormReporter::CurrentMessage(std::string_view text) { Note(message_.text, message_.changed, text); }

void FormReporter::Extracted(std::string_view text) { Note(extracted_.text, extracted_.changed, text); }

void FormReporter::ClearResults() { c_.results->Model().Clear(); }

void FormReporter::Progress(int position, int max) { progress_ = {position, max, true}; }

void FormReporter::Total(int position, int max) { total_ = {position, max, true}; }

// The run hands the entries to their handlers in list order, one each: the
// handler that starts works on the entry after the one marked.
void FormReporter::HandlerStarted()
{
    c_.jobs->MarkEntryUnderWay(c_.jobs->EntryUnderWay() + 1);
    c_.stop->setEnabled(true);
    c_.saveLog->setEnabled(false);
}

void FormReporter::HandlerEnded()
{
    c_.stop->setEnabled(false);
    c_.saveLog->setEnabled(ResultCount() > 0);
}

void FormReporter::PumpEvents()
{
    if (pumpDelay_.count() > 0) std::this_thread::sleep_for(pumpDelay_);
    auto now = std::chrono::steady_clock::now();
    if (now - lastPump_ < pumpInterval_) return;
    Flush();
    QCoreApplication::processEvents();
    lastPump_ = std::chrono::steady_clock::now();
}

void FormReporter::Flush()
{
    Show(c_.currentMessage, message_);
    Show(c_.extracted, extracted_);
    Show(c_.progress, progress_);
    Show(c_.total, total_);
    c_.results->Publish();
}

void FormReporter::Show(QLabel* label, Text& text)
{
    if (!text.changed) return;
    label->setText(QString::fromLocal8Bit(text.text.data(), static_cast<qsizetype>(text.text.size())));
    label->adjustSize();
    text.changed = false;
}

void FormReporter::Show(QProgressBar* bar, Bar& state)
{
    if (!state.changed) return;
    bar->setMaximum(state.max);
    bar->setValue(state.position);
    state.changed = false;
}

}  // namespace eit::window
