#include "app/main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>

#include "app/window_frame.h"
#include "harvest/fetch_all_answers.h"
#include "hide/hide_selected_answers.h"
#include "platform/qt/answer_list_view.h"
#include "platform/qt/qt_window_services.h"
#include "platform/site_config.h"
#include "platform/web_session.h"
#include "selection/selection.h"
#include "text/fixed_texts.h"

namespace {

QString FromGbk(const Text& text) {
  return QString::fromStdU16String(Utf16FromGbk(text));
}

template <typename W>
W* Place(QtWindowServices& services, Control control, W* widget, int left, int top, int width, int height) {
  widget->setObjectName(ControlName(control));
  widget->setGeometry(left, top, width, height);
  services.Register(control, widget);
  return widget;
}

// A label whose caption is a link; a click opens the address in the user's browser.
QLabel* MakeLink(QWidget* parent, const Text& caption, const Text& address) {
  auto* label = new QLabel(parent);
  label->setTextFormat(Qt::RichText);
  label->setTextInteractionFlags(Qt::LinksAccessibleByMouse);
  label->setOpenExternalLinks(false);
  label->setProperty("linkAddress", FromGbk(address));
  label->setProperty("linkCaption", FromGbk(caption));
  label->setText(
      QStringLiteral("<a href=\"%1\">%2</a>").arg(FromGbk(address).toHtmlEscaped(), FromGbk(caption).toHtmlEscaped()));
  QObject::connect(label, &QLabel::linkActivated, label, [address] { OpenUrlInBrowser(address); });
  // The labels lie across the group box's caption. Text at their right end and
  // the window's own background: the caption shows as far as it can and is cut
  // cleanly where a label begins, instead of both texts running into each other.
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setBackgroundRole(QPalette::Window);
  label->setAutoFillBackground(true);
  return label;
}

}  // namespace

MainWindow::MainWindow(QtWindowServices& services)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(ControlName(Control::MainWindow));
  setWindowTitle(FromGbk(fixed::MainWindowTitle()));
  setBackgroundRole(QPalette::Window);
  setAutoFillBackground(true);
  services.Register(Control::MainWindow, this);

  auto* group =
      Place(services, Control::分组框1, new QGroupBox(FromGbk(fixed::GroupCaptionStart()), this), 11, 16, 581, 384);
  Place(services, Control::超级列表框1, new AnswerListView(group), 7, 16, 566, 360);

  // The links sit on the group box's top edge, drawn above it.
  Place(services, Control::超级链接框1, MakeLink(this, fixed::HelpLinkCaption(), Site().helpPage), 104, 14, 192, 16)
      ->raise();
  Place(services, Control::超级链接框2, MakeLink(this, fixed::DownloadsLinkCaption(), Site().downloadsPage), 359, 14,
        216, 16)
      ->raise();

  auto* selectAll = Place(services, Control::选择框全选反选, new QCheckBox(FromGbk(fixed::SelectAllCaption()), this),
                          11, 403, 74, 20);
  auto* progress = Place(services, Control::进度条1, new QProgressBar(this), 92, 408, 500, 9);
  progress->setTextVisible(false);
  progress->setRange(0, 100);
  progress->setValue(0);

  auto* label =
      Place(services, Control::标签1, new QLabel(FromGbk(fixed::KeywordLabelCaption()), this), 11, 436, 137, 32);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(services, Control::编辑框关键字, new QLineEdit(this), 152, 441, 120, 24);

  auto* keyword = Place(services, Control::按钮一键选中,
                        new QPushButton(FromGbk(fixed::SelectByKeywordCaption()), this), 279, 436, 81, 32);
  auto* fetch = Place(services, Control::按钮获取所有回答记录, new QPushButton(FromGbk(fixed::FetchCaption()), this),
                      372, 436, 104, 32);
  auto* hide = Place(services, Control::按钮隐藏选中回答记录, new QPushButton(FromGbk(fixed::HideCaption()), this), 488,
                     436, 104, 32);

  // The selection handlers run whole: another thread's calls on the rows wait for them.
  QtWindowServices* s = &services;
  connect(selectAll, &QCheckBox::clicked, this, [s] {
    auto held = s->HoldRows();
    ToggleSelectAll();
  });
  connect(keyword, &QPushButton::clicked, this, [s] {
    auto held = s->HoldRows();
    SelectByKeyword();
  });
  connect(fetch, &QPushButton::clicked, this, [] { OnFetchClicked(); });
  connect(hide, &QPushButton::clicked, this, [] { OnHideClicked(); });
  services.SetRowCheckChangedHandler([](int row, int state) { OnRowCheckChanged(row, state); });

  FixAndCentre(this, kMainWindowWidth, kMainWindowHeight);
}

void MainWindow::closeEvent(QCloseEvent* event) {
  OnMainWindowClosing();
  event->accept();
  // The program ends with its main window.
  QCoreApplication::exit(0);
}

void OnMainWindowClosing() {
  OpenUrlInBrowser(Site().homePage);
}

void OnFetchClicked() {
  StartThread([](int) { FetchAllAnswers(); }, 1);
}

void OnHideClicked() {
  StartThread([](int) { HideSelectedAnswers(); }, 1);
}
