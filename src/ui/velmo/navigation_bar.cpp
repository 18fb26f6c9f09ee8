#include "ui/velmo/navigation_bar.h"

#include <QHBoxLayout>

#include "ui/velmo/picture_button.h"
#include "ui/velmo/ui_text.h"
#include "ui/velmo/velmo_pictures.h"

namespace ql {

namespace {

// The page switches when the release point lies inside the button or up to this far above it.
constexpr int kReleaseSlackAbove = 13;
// How far the caption sinks while the button is held.
constexpr int kCaptionPressOffset = 10;

struct PageButton {
  Page page;
  const char* key;         // MAIN caption key
  const char* objectName;  // for tests and style sheets
};
constexpr std::array<PageButton, 3> kPageButtons{
    {{Page::Download, "btn_down", "downloadPageButton"},
     {Page::DataView, "btn_data", "dataViewPageButton"},
     {Page::Configuration, "btn_set", "configurationPageButton"}}};

}  // namespace

NavigationBar::NavigationBar(VelmoProgram& program, const VelmoPictures& pictures, QWidget* parent)
    : QWidget(parent), program_(program), batch_(this, [this] { render(); }) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  for (const PageButton& entry : kPageButtons) {
    auto* button =
        new PictureButton({pictures[Picture::NavigationNormal], pictures[Picture::NavigationPressed],
                           pictures[Picture::NavigationHover]},
                          this);
    button->setObjectName(entry.objectName);
    texts_.bind("MAIN", entry.key, [button](const QString& text) { button->setCaption(text); });
    button->setCaptionScale(1.35);
    button->setPressOffset(kCaptionPressOffset);
    button->setReleaseSlackAbove(kReleaseSlackAbove);
    button->setHoverCaptionColor(Qt::blue);
    const Page page = entry.page;
    connect(button, &PictureButton::clicked, this, [this, page] { program_.showPage(page); });
    layout->addWidget(button);
    buttons_[index(page)] = button;
  }
  layout->addStretch(1);
  applyTexts();
  program_.languageChange().subscribe([this] { applyTexts(); });
  batch_.watch(program_.navigation());
  batch_.renderNow();
}

void NavigationBar::applyTexts() { texts_.apply(); }

void NavigationBar::render() {
  const Page current = program_.navigation().page;
  for (const PageButton& entry : kPageButtons) {
    buttons_[index(entry.page)]->setCaptionColor(entry.page == current ? Qt::red : Qt::black);
  }
}

}  // namespace ql
