// One meter of the resources bar (main battery or main memory): an icon, a bar in the meter's
// colour and its text ("Main Battery 80%"). An unavailable meter is greyed and reads 0.
// Threads: the user-interface thread.
#pragma once

#include <QColor>
#include <QImage>
#include <QWidget>

namespace mirrodex {

class ResourceMeter : public QWidget {
 public:
  // `formatId`: the string with one "%d" for the percentage.
  ResourceMeter(int formatId, QImage icon, QColor colour, QWidget* parent = nullptr);

  void SetAvailable(bool available);
  void SetPercent(int percent);  // clamped to 0..100
  bool Available() const { return available_; }
  int Percent() const { return percent_; }
  QString Text() const;

  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  int formatId_;
  QImage icon_;
  QColor colour_;
  bool available_ = false;
  int percent_ = 0;
};

}  // namespace mirrodex
