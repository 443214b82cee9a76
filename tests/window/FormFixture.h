#pragma once
// A fresh MainForm per test over scripted dialogs and a temporary folder,
// with shortcuts to its controls.
#include <QAbstractButton>
#include <QLabel>
#include <QProgressBar>
#include <QtTest>
#include <memory>

#include "window/MainForm.h"
#include "platform/FileSystem.h"
#include "ScriptedWindowDialogs.h"
#include "support/Files.h"
#include "support/LibBuilder.h"

namespace eit::window::test {

using eit::test::ReadAll;
using eit::test::TempFolder;
using eit::test::WriteAll;

inline QStringList Strings(const std::vector<std::string>& texts)
{
    QStringList out;
    for (const std::string& text : texts) out << QString::fromLocal8Bit(text);
    return out;
}

class FormFixture {
public:
    void MakeForm()
    {
        savedFolder_ = CurrentFolder();
        dir = std::make_unique<TempFolder>();
        dialogs = std::make_unique<ScriptedWindowDialogs>();
        form = std::make_unique<TMainForm>(*dialogs);
    }
    void DropForm()
    {
        form.reset();
        dialogs.reset();
        SetCurrentFolder(savedFolder_);  // runs make their target folder current
        dir.reset();
    }

    QAbstractButton* Button(const char* name) const { return form->findChild<QAbstractButton*>(name); }
    QLabel* Label(const char* name) const { return form->findChild<QLabel*>(name); }
    QProgressBar* Bar(const char* name) const { return form->findChild<QProgressBar*>(name); }
    JobListBox* List() const { return form->findChild<JobListBox*>("LogList"); }
    ResultsPane* Pane() const { return form->findChild<ResultsPane*>("Results"); }

    // The enabled ones of the buttons whose state changes, in table order.
    QString EnabledButtons() const
    {
        QStringList on;
        for (const char* name : {"BSaveList", "BRemLog", "BClearAll", "BProcess", "Stop", "SaveLog"}) {
            if (Button(name)->isEnabled()) on << QString::fromLatin1(name);
        }
        return on.join(QLatin1Char(' '));
    }
    QStringList Entries() const { return Strings(List()->Entries()); }
    QStringList PaneLines() const
    {
        const LineList& lines = Pane()->Model().Lines();
        QStringList out;
        for (std::size_t i = 0; i < lines.Count(); ++i) out << QString::fromLocal8Bit(lines[i]);
        return out;
    }
    // Adds files through the add-files dialog with the given filter index.
    void AddThrough(int filterIndex, std::vector<std::string> files)
    {
        dialogs->openAnswers.push_back({std::move(files), filterIndex});
        form->BAddLogClick();
    }
    std::string Path(const std::string& name) const { return *dir / name; }
    // The data of item i of a package made by Package().
    static std::string ItemData(const std::string& package, int i)
    {
        return "data " + std::to_string(i) + " of " + package;
    }
    // A package in dir/in of `count` items "item<i>.dat".
    std::string Package(const std::string& name, int count)
    {
        std::vector<eit::test::LibItem> items;
        for (int i = 0; i < count; ++i) items.push_back({"item" + std::to_string(i) + ".dat", ItemData(name, i)});
        WriteAll(Path("in/" + name), eit::test::MakeLib(items));
        return Path("in/" + name);
    }

    std::unique_ptr<TempFolder> dir;
    std::unique_ptr<ScriptedWindowDialogs> dialogs;
    std::unique_ptr<TMainForm> form;

private:
    std::string savedFolder_;
};

}  // namespace eit::window::test
