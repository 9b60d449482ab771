#include "gui/ControlAccess.h"

#include <QLabel>
#include <QRegularExpression>
#include <QWidget>

void SetTabOrder(std::initializer_list<QWidget*> controls) {
  QWidget* previous = nullptr;
  for (QWidget* control : controls) {
    if (previous != nullptr)
      QWidget::setTabOrder(previous, control);
    previous = control;
  }
}

void NameControlsByTheirLabels(QWidget& window) {
  for (const QLabel* label : window.findChildren<QLabel*>()) {
    QWidget* control = label->buddy();
    if (control == nullptr || !control->accessibleName().isEmpty())
      continue;
    QString caption = label->text();
    caption.remove(QRegularExpression(QStringLiteral("\\(&.\\)|&(?=.)")));
    while (caption.endsWith(u'：') || caption.endsWith(u':'))
      caption.chop(1);
    if (!caption.trimmed().isEmpty())
      control->setAccessibleName(caption.trimmed());
  }
}
