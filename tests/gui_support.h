#pragma once
// Helpers of the GUI tests: answering modal dialogs that a click opens, and
// finding widgets by their text.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace ks::guitest {

// Runs `answer` on the next modal dialog of type T as soon as it shows; the
// call that opens the dialog can then run to its end. Gives up after many
// polls, rejecting whatever modal dialog is open so that a failing test ends.
template <class T>
void WhenModal(std::function<void(T*)> answer) {
  auto* timer = new QTimer(qApp);
  auto polls = std::make_shared<int>(0);
  QObject::connect(timer, &QTimer::timeout, [timer, polls, answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (T* dialog = qobject_cast<T*>(modal); dialog && dialog->isVisible()) {
      timer->stop();
      timer->deleteLater();
      answer(dialog);
      return;
    }
    if (++*polls > 2000) {
      timer->stop();
      timer->deleteLater();
      ADD_FAILURE() << "no modal " << T::staticMetaObject.className() << " showed";
      if (auto* open = qobject_cast<QDialog*>(modal)) open->reject();
    }
  });
  timer->start(5);
}

// Picks `file` in a file dialog and presses its Open button, as a person would.
inline void ChooseInFileDialog(QFileDialog* dialog, const QString& file) {
  dialog->selectFile(file);
  static_cast<QDialog*>(dialog)->accept();
}

// The button among widget's children whose text is `text` (mnemonics
// ignored), or nullptr.
inline QAbstractButton* ButtonWithText(QWidget* widget, const QString& text) {
  for (QAbstractButton* b : widget->findChildren<QAbstractButton*>())
    if (b->text().remove('&') == text) return b;
  return nullptr;
}

}  // namespace ks::guitest
