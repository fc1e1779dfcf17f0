// The main window: one table, a row per probe, rewritten every second from the probes' fields.
//
//   OnInitDialog: menu entries -> icon -> columns -> DelayTimeMgr::GetInstance (reads the target
//   list, builds every probe) -> one row per probe -> DelayTimeMgr::Start -> 1000 ms timer
//   OnTimer: read each probe (never waiting for the worker) -> format -> rewrite columns 1 to 5
//
// Help and About are the window's context-menu entries (right-click, the Menu key, Shift+F10;
// F1 opens Help); every choice goes through OnSysCommand.
#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

class QMenu;
class QTableView;

namespace quorvex {

class ProbeTableModel;

class CQuorvexDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr unsigned kAboutCommand = 16;
    static constexpr unsigned kHelpCommand = 32;
    static constexpr unsigned kCommandMask = 0xFFF0;
    static constexpr int kRefreshTimerId = 1234;
    static constexpr int kRefreshMs = 1000;

    explicit CQuorvexDlg(QWidget* parent = nullptr);
    ~CQuorvexDlg() override;

    // Builds the window's content and starts the probing; exceptions from building the probe
    // manager or starting its worker pass to the caller. Returns true.
    bool OnInitDialog();
    // OnInitDialog, then the modal loop; returns when the window closes.
    int DoModal();

    // Runs a menu command: (value & 0xFFF0) 16 shows the About box, 32 opens Help. Returns false
    // for every other value, which is left to the default handling.
    bool OnSysCommand(unsigned value);
    // A tick of timer `id`: the refresh timer rewrites the rows; any other id changes nothing.
    void OnTimer(int id);

    // Adds Help (32) above About (16) to `menu`; when either text is empty, adds neither.
    static void AddCommandEntries(QMenu& menu, const QString& aboutText, const QString& helpText);
    // ReadMe.txt of the working directory, else the copy installed with the program.
    static QString HelpFile();

    QTableView* Table() const { return m_delayList; }
    QMenu* CommandMenu() const { return commandMenu_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void ShowCommandMenu(const QPoint& globalPos);

    QTableView* m_delayList;
    ProbeTableModel* model_;
    QMenu* commandMenu_;
    QTimer refreshTimer_;
};

}  // namespace quorvex
