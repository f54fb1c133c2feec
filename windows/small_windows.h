// The legend of the board's colours and the About box.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

namespace bb::windows {

// Opens a file or web address in the program the desktop has for it; what
// becomes of it is not looked at.
void ShellOpen(const std::string& target);

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

// Under the legal text, as every copy of the program says it.
inline constexpr const char* kDisclaimer =
    "This program comes with absolutely no warranty. Check a frequency before you transmit "
    "on it: you are responsible for what your station sends.";

struct AboutTexts {
    std::string WindowTitle, AuthorText, DescriptionText, WebsiteText;
    std::string LegalText;  // from the program's version information
};

class frm_About final : public QWidget {
    Q_OBJECT
  public:
    explicit frm_About(AboutTexts texts, QWidget* parent = nullptr);
    void Form_Load();
    void Command1_Click();
    void lblWebURL_Click();

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label8, *lblWebURL;
    QLabel* lblDisclaimer;
    QPushButton* Command1;
    // How the link is opened; the desktop's by default.
    std::function<void(const std::string&)> Open = ShellOpen;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    AboutTexts texts_;
};

// Centres a window on the primary screen.
void CentreOnScreen(QWidget& w);

}  // namespace bb::windows
