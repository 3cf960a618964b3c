#include "text_diff.h"

#include <algorithm>

namespace bench {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

bool LooksLikeText(const std::string& bytes) { return bytes.find('\0') == std::string::npos; }

namespace {

enum class Op { Keep, Remove, Add };

// Myers' greedy shortest edit script: O((N+M)D), so a small change to a large file stays
// cheap.
std::vector<Op> EditScript(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  const long n = static_cast<long>(a.size()), m = static_cast<long>(b.size());
  const long max = n + m;
  std::vector<long> v(2 * max + 2, 0);
  std::vector<std::vector<long>> trace;
  long found = -1;
  for (long d = 0; d <= max && found < 0; ++d) {
    trace.push_back(v);
    for (long k = -d; k <= d; k += 2) {
      long x = (k == -d || (k != d && v[max + k - 1] < v[max + k + 1])) ? v[max + k + 1]
                                                                        : v[max + k - 1] + 1;
      long y = x - k;
      while (x < n && y < m && a[x] == b[y]) ++x, ++y;
      v[max + k] = x;
      if (x >= n && y >= m) {
        found = d;
        break;
      }
    }
  }
  std::vector<Op> ops;
  long x = n, y = m;
  for (long d = found; d > 0; --d) {
    const std::vector<long>& prev = trace[d];
    long k = x - y;
    bool down = k == -d || (k != d && prev[max + k - 1] < prev[max + k + 1]);
    long prevK = down ? k + 1 : k - 1;
    long prevX = prev[max + prevK], prevY = prevX - prevK;
    while (x > prevX && y > prevY) ops.push_back(Op::Keep), --x, --y;
    ops.push_back(down ? Op::Add : Op::Remove);
    x = prevX;
    y = prevY;
  }
  while (x > 0 && y > 0) ops.push_back(Op::Keep), --x, --y;
  std::reverse(ops.begin(), ops.end());
  return ops;
}

}  // namespace

std::string UnifiedDiff(const std::vector<std::string>& before,
                        const std::vector<std::string>& after, std::size_t context) {
  std::vector<Op> ops = EditScript(before, after);
  struct Line {
    Op op;
    std::size_t a, b;  // positions in before and after at this line
  };
  std::vector<Line> lines;
  std::size_t a = 0, b = 0;
  for (Op op : ops) {
    lines.push_back({op, a, b});
    if (op != Op::Add) ++a;
    if (op != Op::Remove) ++b;
  }
  std::string out;
  std::size_t i = 0;
  while (i < lines.size()) {
    if (lines[i].op == Op::Keep) {
      ++i;
      continue;
    }
    // A hunk: from `context` lines before this change to `context` lines after the last
    // change that is no more than 2*context lines from the one before.
    std::size_t start = i >= context ? i - context : 0;
    std::size_t end = i;
    for (std::size_t j = i; j < lines.size(); ++j) {
      if (lines[j].op != Op::Keep) end = j;
      if (j - end > 2 * context) break;
    }
    std::size_t stop = std::min(lines.size(), end + context + 1);
    std::size_t countA = 0, countB = 0;
    std::string body;
    for (std::size_t j = start; j < stop; ++j) {
      const Line& line = lines[j];
      if (line.op == Op::Keep) {
        body += " " + before[line.a] + "\n";
        ++countA, ++countB;
      } else if (line.op == Op::Remove) {
        body += "-" + before[line.a] + "\n";
        ++countA;
      } else {
        body += "+" + after[line.b] + "\n";
        ++countB;
      }
    }
    std::size_t firstA = lines[start].a + (countA ? 1 : 0);
    std::size_t firstB = lines[start].b + (countB ? 1 : 0);
    out += "@@ -" + std::to_string(firstA) + "," + std::to_string(countA) + " +" +
           std::to_string(firstB) + "," + std::to_string(countB) + " @@\n" + body;
    i = stop;
  }
  return out;
}

}  // namespace bench
