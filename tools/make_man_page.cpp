// Writes the manual page quarv(6) from the README's "Command line" section (with its
// subsections, up to the next section): paragraphs, tables of options and indented
// command lines, with `code` in bold. Usage: make_man_page README.md VERSION OUT.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Escapes what roff would take as its own: backslashes, hyphens (kept as real
// hyphen-minus for options), and a line that starts with a dot or a quote.
std::string roffText(const std::string& text) {
    std::string out;
    bool code = false;
    for (char c : text) {
        if (c == '`') {
            out += code ? "\\fR" : "\\fB";
            code = !code;
        } else if (c == '\\') {
            out += "\\e";
        } else if (c == '-') {
            out += "\\-";
        } else {
            out += c;
        }
    }
    if (code) out += "\\fR";
    if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out = "\\&" + out;
    return out;
}

// The cells of a table row; a pipe inside `code` or written "\|" belongs to its cell.
std::vector<std::string> cells(const std::string& row) {
    std::vector<std::string> parts;
    std::string cell;
    bool code = false;
    for (size_t i = 1; i < row.size(); ++i) {  // after the leading '|'
        char c = row[i];
        if (c == '\\' && i + 1 < row.size() && row[i + 1] == '|') {
            cell += '|';
            ++i;
            continue;
        }
        if (c == '`') code = !code;
        if (c == '|' && !code) {
            size_t first = cell.find_first_not_of(' '), last = cell.find_last_not_of(' ');
            parts.push_back(first == std::string::npos ? "" : cell.substr(first, last - first + 1));
            cell.clear();
        } else {
            cell += c;
        }
    }
    return parts;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: make_man_page README.md VERSION OUT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    std::vector<std::string> lines;
    bool inSection = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("## ", 0) == 0) {
            if (inSection) break;
            inSection = line == "## Command line";
            continue;
        }
        if (inSection) lines.push_back(line);
    }
    if (lines.empty()) {
        std::cerr << "make_man_page: no \"## Command line\" section in " << argv[1] << "\n";
        return 1;
    }

    std::ostringstream man;
    man << ".TH QUARV 6 \"\" \"Quarv " << argv[2] << "\" \"Games\"\n"
        << ".SH NAME\nquarv \\- emulator of the Atari ST family (STFM and STE)\n"
        << ".SH DESCRIPTION\n";
    std::string paragraph;
    auto flush = [&] {
        if (!paragraph.empty()) man << ".PP\n" << roffText(paragraph) << "\n";
        paragraph.clear();
    };
    // A table's header is the row above its separator row.
    auto isHeader = [&](size_t i) { return i + 1 < lines.size() && lines[i + 1].rfind("|---", 0) == 0; };
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.rfind("### ", 0) == 0) {
            flush();
            man << ".SS " << roffText(line.substr(4)) << "\n";
        } else if (line.rfind("    ", 0) == 0) {
            flush();
            man << ".PP\n.nf\n" << roffText(line.substr(4)) << "\n.fi\n";
        } else if (line.rfind("|", 0) == 0) {
            flush();
            std::vector<std::string> row = cells(line);
            if (row.size() < 2 || row[0].find("---") != std::string::npos || isHeader(i)) continue;
            man << ".TP\n" << roffText(row[0]) << "\n" << roffText(row[1]) << "\n";
        } else if (line.empty()) {
            flush();
        } else {
            paragraph += (paragraph.empty() ? "" : " ") + line;
        }
    }
    flush();
    man << ".SH SEE ALSO\nThe README of the Quarv sources, and quarv \\-\\-help.\n";

    std::ofstream out(argv[3]);
    out << man.str();
    return out ? 0 : 1;
}
