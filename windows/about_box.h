// The About box: the program's title, author, description, legal text,
// disclaimer and a link to more information.
#pragma once

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <string>

#include "windows/desktop.h"

namespace bb::windows {

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
    // `opener` opens the link.
    frm_About(Opener& opener, AboutTexts texts, QWidget* parent = nullptr);
    void Form_Load();
    void Command1_Click();
    void lblWebURL_Click();

    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label8, *lblWebURL;
    QLabel* DisclaimerLabel;
    QPushButton* Command1;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    AboutTexts texts_;
    Opener& opener_;
};

}  // namespace bb::windows
