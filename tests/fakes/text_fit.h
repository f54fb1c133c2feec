// The texts of a window that do not fit their control's room: labels cut off or run
// into, buttons and check boxes too narrow, tabs that only scroll arrows reach.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QWidget>
#include <string>
#include <vector>

namespace bb::testing {

namespace text_fit {

inline QString Plain(QString text) {
    // The access-key marker takes no room.
    return text.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QLatin1Char('\x01'), QLatin1Char('&'));
}

// A control's width, less what a visible sibling to its right on its line covers.
inline int Room(const QWidget& w) {
    const QRect own = w.geometry();
    int room = own.width();
    if (!w.parentWidget()) return room;
    for (QObject* o : w.parentWidget()->children()) {
        auto* other = qobject_cast<QWidget*>(o);
        if (!other || other == &w || other->isHidden() || other->isWindow()) continue;
        const QRect g = other->geometry();
        const bool sameLine = g.top() < own.bottom() && g.bottom() > own.top();
        if (sameLine && g.left() > own.left() && g.left() <= own.right())
            room = std::min(room, g.left() - own.left());
    }
    return std::min(room, w.parentWidget()->width() - own.left());
}

}  // namespace text_fit

// One line per text that does not fit, naming the window, the control and the text.
inline std::vector<std::string> CutTexts(QWidget& window) {
    using namespace text_fit;
    std::vector<std::string> cut;
    const QString name = window.objectName().isEmpty()
                             ? QString::fromLatin1(window.metaObject()->className())
                             : window.objectName();
    const std::string where = (name + " (" + window.windowTitle() + "): ").toStdString();
    const auto report = [&](const QWidget& w, const QString& text, int need, int room) {
        cut.push_back(where + w.metaObject()->className() + " \"" + text.toStdString() +
                      "\" needs " + std::to_string(need) + " px, has " + std::to_string(room));
    };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window)) continue;
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            // The prompt of an empty field, beside its frame and clear button.
            if (e->placeholderText().isEmpty()) continue;
            const int need = e->fontMetrics().horizontalAdvance(e->placeholderText()) + 8 +
                             (e->isClearButtonEnabled() ? e->height() : 0);
            if (need > Room(*e)) report(*e, e->placeholderText(), need, Room(*e));
            continue;
        }
        if (auto* l = qobject_cast<QLabel*>(w)) {
            if (l->text().isEmpty() || l->textFormat() == Qt::RichText ||
                Qt::mightBeRichText(l->text()))
                continue;
            const QString text = Plain(l->text());
            const int frame = 2 * (l->frameWidth() + l->margin());
            if (l->wordWrap()) {
                const int need = l->heightForWidth(l->width());
                if (need > l->height()) report(*l, text, need, l->height());
                continue;
            }
            const int need = l->fontMetrics().horizontalAdvance(text) + frame;
            if (need > Room(*l)) report(*l, text, need, Room(*l));
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            if (b->text().isEmpty()) continue;
            const QString text = Plain(b->text());
            int need = b->fontMetrics().horizontalAdvance(text);
            QStyle* st = b->style();
            if (qobject_cast<QCheckBox*>(b))
                need += st->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, b) +
                        st->pixelMetric(QStyle::PM_CheckBoxLabelSpacing, nullptr, b);
            else if (qobject_cast<QRadioButton*>(b))
                need += st->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, b) +
                        st->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, b);
            else
                need += 2 * st->pixelMetric(QStyle::PM_ButtonMargin, nullptr, b);
            if (need > Room(*b)) report(*b, text, need, Room(*b));
        } else if (auto* g = qobject_cast<QGroupBox*>(w)) {
            const int need = g->fontMetrics().horizontalAdvance(Plain(g->title())) + 16;
            if (need > g->width()) report(*g, g->title(), need, g->width());
        } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            // All tabs side by side, without the scroll arrows.
            const int need = tabs->sizeHint().width();
            if (need > tabs->width()) report(*tabs, QStringLiteral("tabs"), need, tabs->width());
            for (int i = 0; i < tabs->count(); ++i) {
                const QString text = Plain(tabs->tabText(i));
                const int tw = tabs->fontMetrics().horizontalAdvance(text);
                if (tw > tabs->tabRect(i).width())
                    report(*tabs, text, tw, tabs->tabRect(i).width());
            }
        }
    }
    return cut;
}

}  // namespace bb::testing
