// The ncurses screen. Each value gets a column of equal width: its number, a bar over its range,
// and a sparkline of the last 10 s in what room is left. Rows that do not fit are counted.
#include "screen.h"
#include "layout.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>
#include <ncurses.h>

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
    double rate = row.counter.rate(now);
    // A rate of 100000/s and more loses its decimal, so that it stays within its column.
    mvprintw(y, 0, "%-*.*s %*.*f", kAddressWidth, kAddressWidth, printable(address).c_str(), kRateWidth - 1,
             rate < 99999.95 ? 1 : 0, rate);
    ValueLayout layout = layoutValues(width, std::min(row.argc, kMaxValues));
    for (int i = 0; i < layout.shown; ++i) {
        int x = kValuesStart + i * layout.column;
        const Value &value = row.values[i];
        mvprintw(y, x, "%-*.*s", kValueWidth, kValueWidth, valueText(value).c_str());
        if (!value.numeric || layout.bars == 0)
            continue;
        const Series &series = row.series[i];
        mvaddstr(y, x + kValueWidth + 1,
                 bar(value.number, series.min, series.max, layout.bars, utf8_).c_str());
        if (layout.sparks > 0)
            mvaddstr(y, x + kValueWidth + 2 + layout.bars,
                     sparkline(row, i, now, layout.sparks, utf8_).c_str());
    }
    // Values left out are counted where the room allows.
    std::string more = "+" + std::to_string(row.argc - layout.shown);
    int x = kValuesStart + layout.shown * layout.column;
    if (row.argc > layout.shown && x + static_cast<int>(more.size()) <= width)
        mvaddstr(y, x, more.c_str());
    attroff(A_DIM);
}

void Screen::draw(const Model &model, const Status &status, double now) {
    erase();
    int height = getmaxy(stdscr), width = getmaxx(stdscr);
    attron(A_BOLD);
    // The program's name goes first when the width is short, then the hub and the bridge are cut.
    std::string header = headerLine(status), named = "vrennosc-monitor   " + header;
    mvaddnstr(0, 0, (static_cast<int>(named.size()) <= width ? named : header).c_str(), width);
    attroff(A_BOLD);
    int y = 1;
    // The targets and the recording get lines of their own, so that the hub and the bridge stay on
    // the first.
    if (!status.targets.empty())
        mvaddnstr(y++, 0, targetsLine(status).c_str(), width);
    if (!status.recording.empty())
        mvaddnstr(y++, 0, status.recording.c_str(), width);
    mvaddnstr(y++, 0, (countsLine(model, now) + (status.frozen ? "   FROZEN (space)" : "")).c_str(), width);
    attron(A_REVERSE);
    mvaddnstr(y++, 0, silentHint(model, status, now).c_str(), width);
    attroff(A_REVERSE);
    mvprintw(y++, 0, "%-*s %*s  values, bars over their range, last 10 s", kAddressWidth, "address",
             kRateWidth - 1, "rate/s");
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
