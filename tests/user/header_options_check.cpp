// Keeps the manual in Pelrith.h and the code from drifting apart: every
// option name that an entry point reads from its option list must be named in
// that entry point's comment in the header, and every name a comment gives
// must be read by the library's entry-point code.
//
// What an entry point reads is found in the sources of library/api: the names
// its own body reads through the option list (Value, Find, the write and
// colour-reduction option loops, the repository choice), the name tables it
// uses (the inquiry's out names, the rectangle and fill-level names), and what
// the functions it calls read, followed through every function defined there.
//
//   header_options_check <Pelrith.h> <library/api folder>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Names = std::set<std::string>;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Names QuotedNames(const std::string& text) {
  static const std::regex kQuoted("\"([A-Za-z][A-Za-z0-9]*)\"");
  Names names;
  for (std::sregex_iterator it(text.begin(), text.end(), kQuoted), end; it != end; ++it) names.insert((*it)[1]);
  return names;
}

// The option names a piece of code reads from the caller's list directly.
Names DirectReads(const std::string& code) {
  static const std::regex kSingle(
      R"re((?:\.Value\(|\.Find\(|\bword\(|IsNamed\(p,\s*)"([A-Za-z][A-Za-z0-9]*)")re");
  Names names;
  for (std::sregex_iterator it(code.begin(), code.end(), kSingle), end; it != end; ++it) names.insert((*it)[1]);
  static const std::regex kRepository(R"(\b[Rr]epository\(\))");
  if (std::regex_search(code, kRepository)) names.insert("repository");
  return names;
}

struct Function {
  std::string body;
  Names reads;
};

// Functions defined at the left margin: a signature line ending in "{" and a
// body up to the first "}" at the left margin. Header files add their inline
// one-line members through DirectReads of the whole file's text below.
void CollectFunctions(const std::string& text, std::multimap<std::string, Function>* functions) {
  static const std::regex kSignature(R"(^[A-Za-z_][^;(]*?\b(\w+)\([^;]*$)");
  std::istringstream lines(text);
  std::string line, name, body, signature;
  bool in_body = false;
  while (std::getline(lines, line)) {
    if (in_body) {
      body += line + "\n";
      if (line.rfind('}', 0) == 0) {
        functions->insert({name, {body, DirectReads(body)}});
        in_body = false;
      }
      continue;
    }
    std::smatch match;
    if (std::regex_search(line, match, kSignature) && line.find("namespace") == std::string::npos) {
      name = match[1];
      signature = line;
    } else if (!signature.empty() && !line.empty() && line[0] == ' ') {
      signature += line;  // a signature continued on further lines
    } else {
      signature.clear();
    }
    if (!signature.empty() && !signature.empty() && signature.back() == '{') {
      in_body = true;
      body = signature + "\n";
      signature.clear();
    }
  }
}

// Tables of option names (the rectangle names, the fill levels, the
// inquiry's out names) become functions whose body is the table, so that the
// code that names a table reads its names.
void CollectNameTables(const std::string& text, std::multimap<std::string, Function>* functions) {
  static const std::regex kTable(
      R"re((?:CmiRectangleNames|const char\*)\s+(k\w+)(?:\[[^\]]*\])?\s*=?\s*\{([^}]*)\})re");
  for (std::sregex_iterator it(text.begin(), text.end(), kTable), end; it != end; ++it) {
    functions->insert({(*it)[1], {"", QuotedNames((*it)[2])}});
  }
}

// A declaration whose default argument is a name table reads that table.
void CollectDefaultArguments(const std::string& text, std::multimap<std::string, Function>* functions) {
  static const std::regex kDeclaration(R"re(\b(\w+)\(([^;{}]*)=\s*(k\w+)\s*\)\s*;)re");
  for (std::sregex_iterator it(text.begin(), text.end(), kDeclaration), end; it != end; ++it) {
    functions->insert({(*it)[1], {(*it)[3].str() + "\n", {}}});
  }
}

// What `name` reads, through every defined function or table its body names.
Names ReadsOf(const std::string& name, const std::multimap<std::string, Function>& functions) {
  static const std::regex kCall(R"(\b(\w+)\b)");
  Names reads;
  std::set<std::string> seen{name};
  std::vector<std::string> todo{name};
  while (!todo.empty()) {
    const std::string current = todo.back();
    todo.pop_back();
    auto [first, last] = functions.equal_range(current);
    for (auto it = first; it != last; ++it) {
      reads.insert(it->second.reads.begin(), it->second.reads.end());
      const std::string& body = it->second.body;
      for (std::sregex_iterator call(body.begin(), body.end(), kCall), end; call != end; ++call) {
        const std::string callee = (*call)[1];
        if (functions.count(callee) != 0 && seen.insert(callee).second) todo.push_back(callee);
      }
    }
  }
  return reads;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: header_options_check <Pelrith.h> <library/api folder>\n";
    return 2;
  }
  const std::string header = ReadFile(argv[1]);

  // The comment of each entry point: "/* CmiName (ordinal): ... */" before
  // its declaration.
  std::map<std::string, Names> documented;
  static const std::regex kComment(R"(/\* (Cmi\w+) \(\d+\):([^*]|\*[^/])*\*/)");
  for (std::sregex_iterator it(header.begin(), header.end(), kComment), end; it != end; ++it) {
    documented[(*it)[1]] = QuotedNames(it->str());
  }
  static const std::regex kDeclaration(R"(PELRITH_STDCALL (Cmi\w+)\()");
  Names declared;
  for (std::sregex_iterator it(header.begin(), header.end(), kDeclaration), end; it != end; ++it) {
    declared.insert((*it)[1]);
  }

  std::multimap<std::string, Function> functions;
  Names read_anywhere;
  for (const auto& entry : fs::recursive_directory_iterator(argv[2])) {
    const fs::path& path = entry.path();
    const std::string ext = path.extension().string();
    if (!entry.is_regular_file() || (ext != ".cpp" && ext != ".h")) continue;
    if (path.string().find("/tests/") != std::string::npos || path.filename() == "Pelrith.h") continue;
    const std::string text = ReadFile(path);
    CollectFunctions(text, &functions);
    CollectNameTables(text, &functions);
    CollectDefaultArguments(text, &functions);
    const Names reads = DirectReads(text);
    read_anywhere.insert(reads.begin(), reads.end());
  }

  for (const auto& [name, function] : functions) {
    if (function.body.empty()) read_anywhere.insert(function.reads.begin(), function.reads.end());
  }

  int faults = 0;
  for (const std::string& entry : declared) {
    if (documented.count(entry) == 0) {
      std::cerr << entry << ": no comment \"/* " << entry << " (ordinal): ...\" in the header\n";
      ++faults;
      continue;
    }
    if (functions.count(entry) == 0) {
      std::cerr << entry << ": no definition found under " << argv[2] << "\n";
      ++faults;
      continue;
    }
    const Names reads = ReadsOf(entry, functions);
    if (std::getenv("HEADER_OPTIONS_VERBOSE") != nullptr) {
      std::cout << entry << ":";
      for (const std::string& name : reads) std::cout << " " << name;
      std::cout << "\n";
    }
    for (const std::string& name : reads) {
      if (documented[entry].count(name) == 0) {
        std::cerr << entry << " reads the option \"" << name << "\", which its comment does not name\n";
        ++faults;
      }
    }
    for (const std::string& name : documented[entry]) {
      if (read_anywhere.count(name) == 0) {
        std::cerr << entry << "'s comment names \"" << name << "\", which no entry point reads\n";
        ++faults;
      }
    }
  }
  if (read_anywhere.empty()) {
    std::cerr << "no option reads found under " << argv[2] << "\n";
    ++faults;
  }
  if (faults == 0) std::cout << "every option read is documented beside its entry points\n";
  return faults == 0 ? 0 : 1;
}
