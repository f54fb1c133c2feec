// The legend of the board's colours.
#pragma once

#include <QLabel>
#include <QWidget>
#include <string>
#include <vector>

namespace bb::windows {

class Form4 final : public QWidget {
    Q_OBJECT
  public:
    explicit Form4(const std::string& windowTitle, QWidget* parent = nullptr);
    void Form_Load();

    QLabel* lblIntro;
    // Swatches and captions, top to bottom.
    std::vector<QLabel*> Swatches;
    std::vector<QLabel*> Captions;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    std::string windowTitle_;
    bool loaded_ = false;
};

}  // namespace bb::windows
