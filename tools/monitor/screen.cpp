// The ncurses screen. Each value gets a column of equal width: its number, a bar over its range,
// and a sparkline of the last 10 s in what room is left. Rows that do not fit are counted.
#include "screen.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <ncurses.h>

namespace {
constexpr int kAddressWidth = 24;
constexpr int kRateWidth = 8;
constexpr int kTop = 4; // header, counts, hint, column titles
} // namespace

Screen::Screen() {
    std::setlocale(LC_ALL, "");
    utf8_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
    initscr();
    cbreak();
    noecho();
    curs_set(0);
    keypad(stdscr, TRUE);
}

Screen::~Screen() { endwin(); }

void Screen::drawRow(int y, const std::string &address, const Row &row, double now, int width) {
    if (isSilent(row, now))
        attron(A_DIM);
    mvprintw(y, 0, "%-*.*s %*.1f", kAddressWidth, kAddressWidth, printable(address).c_str(), kRateWidth - 1,
             row.counter.rate(now));
    int shown = std::min(row.argc, kMaxValues);
    int column = shown > 0 ? (width - kAddressWidth - kRateWidth - 1) / shown : 0;
    for (int i = 0; i < shown; ++i) {
        int x = kAddressWidth + kRateWidth + 1 + i * column;
        const Value &value = row.values[i];
        mvprintw(y, x, "%-8.8s", valueText(value).c_str());
        if (!value.numeric || column < 12)
            continue;
        int bars = std::min(10, (column - 10) / 3), sparks = column - 10 - bars - 1;
        const Series &series = row.series[i];
        mvaddstr(y, x + 9, bar(value.number, series.min, series.max, bars, utf8_).c_str());
        if (sparks > 0)
            mvaddstr(y, x + 10 + bars, sparkline(row, i, now, sparks, utf8_).c_str());
    }
    attroff(A_DIM);
}

void Screen::draw(const Model &model, const Status &status, double now) {
    erase();
    int height = getmaxy(stdscr), width = getmaxx(stdscr);
    attron(A_BOLD);
    mvaddnstr(0, 0, ("vrennosc-monitor   " + headerLine(status)).c_str(), width);
    attroff(A_BOLD);
    int top = status.recording.empty() ? 0 : 1; // a line under the header while recording
    mvaddnstr(1, 0, status.recording.c_str(), width);
    mvaddnstr(1 + top, 0, (countsLine(model, now) + (status.frozen ? "   FROZEN (space)" : "")).c_str(),
              width);
    attron(A_REVERSE);
    mvaddnstr(2 + top, 0, silentHint(model, status, now).c_str(), width);
    attroff(A_REVERSE);
    mvprintw(3 + top, 0, "%-*s %*s  values, bars over their range, last 10 s", kAddressWidth, "address",
             kRateWidth - 1, "rate/s");
    int y = kTop + top;
    size_t drawn = 0;
    for (const auto &[address, row] : model.rows()) {
        if (y >= height - 1)
            break;
        drawRow(y++, address, row, now, width);
        ++drawn;
    }
    if (drawn < model.rows().size())
        mvprintw(height - 1, 0, "... %zu more rows (a taller window shows them)",
                 model.rows().size() - drawn);
    wnoutrefresh(stdscr);
}

void Screen::show() { doupdate(); }

void Screen::repaint() { clearok(curscr, TRUE); }

Key Screen::waitKey(int timeoutMs) {
    timeout(timeoutMs);
    switch (getch()) {
    case 'q':
    case 'Q':
        return Key::Quit;
    case ' ':
        return Key::Freeze;
    case 'r':
        return Key::Reset;
    case 'c':
        return Key::Clear;
    default:
        return Key::None; // KEY_RESIZE included: the next draw takes the new size
    }
}
