// A status bar of fixed-width panels whose texts are set by index. Panels are laid out from
// the left edge in the widths given; whatever width is left over stays empty.
#pragma once

#include <QFrame>
#include <QString>

#include <vector>

class QLabel;

class StatusBar : public QFrame {
  Q_OBJECT
public:
  // One panel per width, each `height` pixels high (the bar is as high as its panels).
  StatusBar(const std::vector<int>& panelWidths, int height, QWidget* parent = nullptr);

  int PanelCount() const { return static_cast<int>(panels_.size()); }
  int PanelWidth(int index) const;
  // The text of a panel; an index out of range reads as empty and is ignored when set.
  QString PanelText(int index) const;
  void SetPanelText(int index, const QString& text);
  // The panel's own widget (for geometry checks).
  QLabel* Panel(int index) const;

private:
  std::vector<int> widths_;
  std::vector<QLabel*> panels_;
};
