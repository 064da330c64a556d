#pragma once
// Helpers of the GUI tests: answering modal dialogs that a click opens, and
// finding widgets by their text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace ks::guitest {

// Runs `action` once `ready` holds, polling from the event loop, so that a
// call that blocks in a nested event loop (a modal dialog, a running import)
// can be worked meanwhile. Gives up after many polls, rejecting whatever modal
// dialog is open so that a failing test ends.
inline void When(std::function<bool()> ready, std::function<void()> action,
                 const char* what = "the awaited state") {
  auto* timer = new QTimer(qApp);
  auto polls = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, polls, ready, action, what] {
    if (ready()) {
      timer->stop();
      timer->deleteLater();
      action();
      return;
    }
    if (++*polls > 4000) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "never came: " << what;
      if (auto* open = qobject_cast<QDialog*>(QApplication::activeModalWidget())) open->reject();
    }
  });
  timer->start(5);
}

// Runs `answer` on the next modal dialog of type T as soon as it shows.
template <class T>
void WhenModal(std::function<void(T*)> answer) {
  When(
      [] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        return dialog && dialog->isVisible();
      },
      [answer] { answer(qobject_cast<T*>(QApplication::activeModalWidget())); },
      T::staticMetaObject.className());
}

// Picks `file` in a file dialog and presses its Open button, as a person would.
inline void ChooseInFileDialog(QFileDialog* dialog, const QString& file) {
  dialog->selectFile(file);
  static_cast<QDialog*>(dialog)->accept();
}

// Clicks a check box on its tick box, where a click always lands, however
// wide the layout stretched the box.
inline void ClickCheckBox(QAbstractButton* box) {
  QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

// The button among widget's children whose text is `text` (mnemonics
// ignored), or nullptr.
inline QAbstractButton* ButtonWithText(QWidget* widget, const QString& text) {
  for (QAbstractButton* b : widget->findChildren<QAbstractButton*>())
    if (b->text().remove('&') == text) return b;
  return nullptr;
}

}  // namespace ks::guitest
