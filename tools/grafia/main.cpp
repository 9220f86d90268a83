// tovelo-grafia: reads lines of text (UTF-8) and writes each one in today's spelling, then a tab
// and the same folded as the keyword search compares it.
#include "Spelling.h"

#include <iostream>
#include <string>

int main() {
    std::string line;
    while (std::getline(std::cin, line)) {
        const QString text = QString::fromStdString(line);
        std::cout << tovelo::todaysSpelling(text).toStdString() << '\t'
                  << tovelo::foldSpelling(text).toStdString() << '\n';
    }
    return 0;
}
