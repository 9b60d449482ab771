#include "gui/StatusBar.h"

#include <QLabel>

StatusBar::StatusBar(const std::vector<int>& panelWidths, int height, QWidget* parent)
    : QFrame(parent), widths_(panelWidths) {
  setFixedHeight(height);
  int left = 0;
  for (const int width : panelWidths) {
    auto* panel = new QLabel(this);
    // Each panel is drawn as a shallow sunken field with a little room before its text.
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setLineWidth(1);
    panel->setIndent(2);
    panel->setTextFormat(Qt::PlainText);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Panels keep their width; a long text is cut rather than widening the panel.
    panel->setMinimumWidth(0);
    panel->setGeometry(left, 2, width - 2, height - 2);
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(panels_.size()));
    panels_.push_back(panel);
    left += width;
  }
}

int StatusBar::PanelWidth(int index) const {
  if (index < 0 || index >= PanelCount())
    return 0;
  return widths_[static_cast<std::size_t>(index)];
}

QString StatusBar::PanelText(int index) const {
  if (index < 0 || index >= PanelCount())
    return {};
  return panels_[static_cast<std::size_t>(index)]->text();
}

void StatusBar::SetPanelText(int index, const QString& text) {
  if (index < 0 || index >= PanelCount())
    return;
  panels_[static_cast<std::size_t>(index)]->setText(text);
}

QLabel* StatusBar::Panel(int index) const {
  if (index < 0 || index >= PanelCount())
    return nullptr;
  return panels_[static_cast<std::size_t>(index)];
}
