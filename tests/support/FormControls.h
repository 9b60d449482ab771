// Reaching a window's controls the way a user does: by their names. Tests click and read the
// windows' controls through these, never through the windows' members.
#pragma once

#include "gui/StatusBar.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <string>

namespace form_controls {

inline const QObject& Owner(const QObject& o) {
  return o;
}
inline const QObject& Owner(const QObject* o) {
  return *o;
}
template <typename T> const QObject& Owner(const std::unique_ptr<T>& o) {
  return *o;
}

// The child named `name` of type W; a missing control ends the test program, since every
// later step would fail for the same reason.
template <typename W, typename F> W* Find(const F& owner, const char* name) {
  W* w = Owner(owner).template findChild<W*>(QString::fromLatin1(name));
  if (w == nullptr) {
    ADD_FAILURE() << "no control named " << name;
    std::abort();
  }
  return w;
}

} // namespace form_controls

template <typename F> QLineEdit* LineEdit(const F& f, const char* name) {
  return form_controls::Find<QLineEdit>(f, name);
}
template <typename F> QPlainTextEdit* PlainText(const F& f, const char* name) {
  return form_controls::Find<QPlainTextEdit>(f, name);
}
template <typename F> QComboBox* Combo(const F& f, const char* name) {
  return form_controls::Find<QComboBox>(f, name);
}
template <typename F> QPushButton* PushButton(const F& f, const char* name) {
  return form_controls::Find<QPushButton>(f, name);
}
template <typename F> QLabel* TextLabel(const F& f, const char* name) {
  return form_controls::Find<QLabel>(f, name);
}
template <typename F> QFrame* Frame(const F& f, const char* name) {
  return form_controls::Find<QFrame>(f, name);
}
template <typename F> QProgressBar* ProgressBar(const F& f, const char* name) {
  return form_controls::Find<QProgressBar>(f, name);
}
template <typename F> QCheckBox* CheckBox(const F& f, const char* name) {
  return form_controls::Find<QCheckBox>(f, name);
}
template <typename F> QRadioButton* RadioButton(const F& f, const char* name) {
  return form_controls::Find<QRadioButton>(f, name);
}
template <typename F> QSpinBox* SpinBox(const F& f, const char* name) {
  return form_controls::Find<QSpinBox>(f, name);
}
template <typename F> QGroupBox* GroupBox(const F& f, const char* name) {
  return form_controls::Find<QGroupBox>(f, name);
}
template <typename F> StatusBar* StatusBarOf(const F& f, const char* name) {
  return form_controls::Find<StatusBar>(f, name);
}

// What the named boxes show (line edits, text boxes, combo boxes), joined by '|' in UTF-8: one
// comparison whose failure shows every box, readably.
template <typename F> std::string Texts(const F& f, std::initializer_list<const char*> names) {
  QStringList texts;
  for (const char* name : names) {
    QWidget* w = form_controls::Find<QWidget>(f, name);
    if (auto* line = qobject_cast<QLineEdit*>(w))
      texts << line->text();
    else if (auto* plain = qobject_cast<QPlainTextEdit*>(w))
      texts << plain->toPlainText();
    else
      texts << form_controls::Find<QComboBox>(f, name)->currentText();
  }
  return texts.join(u'|').toStdString();
}
