#include "ui/CQuorvexDlg.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>
#include <QTableView>

#include "manager/DelayTimeMgr.h"
#include "ui/ApplicationIcon.h"
#include "ui/CAboutDlg.h"
#include "ui/DesktopServices.h"
#include "ui/DialogUnits.h"
#include "ui/ProbeRow.h"
#include "ui/ProbeTableModel.h"

namespace quorvex {

namespace {

// The menu texts: "About Quorvex..." and "Help"; '&' marks the access key.
const char* const kAboutText = "&关于 Quorvex...";
const char* const kHelpText = "&帮助";

// Column widths in pixels.
constexpr int kColumnWidths[ProbeTableModel::kColumnCount] = {100, 60, 60, 60, 60, 70};

}  // namespace

CQuorvexDlg::CQuorvexDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_delayList(new QTableView(this)),
      model_(new ProbeTableModel(this)),
      commandMenu_(new QMenu(this)) {
    setWindowTitle(QStringLiteral("Quorvex"));
    // 277 x 175 dialog units; the table fills it at (0, 0), 276 x 174.
    const DialogUnits units(fontMetrics());
    setFixedSize(units.Size(277, 175));
    m_delayList->setGeometry(units.Rect(0, 0, 276, 174));
    m_delayList->setModel(model_);
    refreshTimer_.setInterval(kRefreshMs);
    connect(&refreshTimer_, &QTimer::timeout, this, [this] { OnTimer(kRefreshTimerId); });
}

CQuorvexDlg::~CQuorvexDlg() = default;

bool CQuorvexDlg::OnInitDialog() {
    AddCommandEntries(*commandMenu_, QString::fromUtf8(kAboutText), QString::fromUtf8(kHelpText));
    for (QAction* action : commandMenu_->actions())
        connect(action, &QAction::triggered, this,
                [this, action] { OnSysCommand(action->data().toUInt()); });
    // The table shows its own context menu too, so a right-click anywhere opens the same menu.
    m_delayList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_delayList, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        ShowCommandMenu(m_delayList->viewport()->mapToGlobal(pos));
    });
    // The keyboard's ways to the menu; not every platform turns the Menu key into a
    // context-menu request by itself.
    for (const QKeySequence& keys :
         {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this,
                [this] { ShowCommandMenu(mapToGlobal(QPoint(width() / 4, height() / 4))); });
    }
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { OnSysCommand(kHelpCommand); });

    setWindowIcon(ApplicationIcon());

    m_delayList->setShowGrid(true);
    m_delayList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_delayList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_delayList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_delayList->setSortingEnabled(false);
    m_delayList->verticalHeader()->hide();
    m_delayList->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_delayList->horizontalHeader()->setSectionsMovable(false);
    for (int column = 0; column < ProbeTableModel::kColumnCount; ++column)
        m_delayList->setColumnWidth(column, kColumnWidths[column]);

    DelayTimeMgr& manager = DelayTimeMgr::GetInstance();
    for (const auto& probe : manager.probes) model_->AppendRow(probe->hostText);
    manager.Start();
    refreshTimer_.start();
    m_delayList->setFocus();
    return true;
}

int CQuorvexDlg::DoModal() {
    OnInitDialog();
    return exec();
}

void CQuorvexDlg::AddCommandEntries(QMenu& menu, const QString& aboutText,
                                    const QString& helpText) {
    if (aboutText.isEmpty() || helpText.isEmpty()) return;
    menu.addAction(helpText)->setData(kHelpCommand);
    menu.addAction(aboutText)->setData(kAboutCommand);
}

QString CQuorvexDlg::HelpFile() {
    const QString local = QDir::current().absoluteFilePath(QStringLiteral("ReadMe.txt"));
    if (QFileInfo::exists(local)) return local;
    return QStringLiteral(QUORVEX_INSTALLED_README);
}

bool CQuorvexDlg::OnSysCommand(unsigned value) {
    switch (value & kCommandMask) {
        case kAboutCommand: {
            CAboutDlg about(this);
            about.exec();
            return true;
        }
        case kHelpCommand:
            DesktopServices::Current().OpenFile(HelpFile());
            return true;
        default:
            return false;
    }
}

void CQuorvexDlg::OnTimer(int id) {
    if (id != kRefreshTimerId) return;
    const auto& probes = DelayTimeMgr::GetInstance().probes;
    model_->RewriteStatistics([&](int row) {
        return FormatStatistics(ReadProbe(*probes[static_cast<std::size_t>(row)]));
    });
}

void CQuorvexDlg::keyPressEvent(QKeyEvent* event) {
    // Enter ends the window like Escape does; there is no default button to take it.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CQuorvexDlg::contextMenuEvent(QContextMenuEvent* event) {
    ShowCommandMenu(event->globalPos());
}

void CQuorvexDlg::ShowCommandMenu(const QPoint& globalPos) {
    if (!commandMenu_->isEmpty()) commandMenu_->popup(globalPos);
}

}  // namespace quorvex
