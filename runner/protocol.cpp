#include "protocol.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include "core/numeric.h"
#include "menuitems.h"
#include "valuefile.h"

namespace zel {

Args::Args(const char* signature, char** argv, QuarterTurn first_image) : first_image_(first_image) {
  const size_t n = std::strlen(signature);
  images_.reserve(n);
  for (size_t k = 0; k < n; ++k) {
    const char* file = argv[k];
    switch (signature[k]) {
      case kImage:
        images_.push_back(GetImage(file, images_.empty() ? first_image : QuarterTurn::None));
        break;
      case kImageSizes:
        sized_.push_back(std::make_unique<ImageSizes>(file));
        images_.emplace_back(sized_.back()->image(), true);  // a view, not a copy
        break;
      case kNumber: numbers_.push_back({GetNumber(file), file}); break;
      case kCoord: coords_.push_back(GetCoOrd(file)); break;
      case kColour: colours_.push_back(GetRGBTrip(file)); break;
      case kArray: arrays_.push_back(GetArray(file)); break;
      case kPath: paths_.push_back(file); break;
      default: throw std::logic_error(std::string("bad input kind in command row: ") + signature);
    }
  }
}

double Args::number(int k) const {
  const Number& n = numbers_.at(k - 1);
  if (std::isnan(n.value)) throw ValueFileError(n.file, "number is not a number");
  return n.value;
}

int Args::integer(int k) const {
  const Number& n = numbers_.at(k - 1);
  if (std::isnan(n.value)) throw ValueFileError(n.file, "number is not a number where a whole number is needed");
  // Out-of-range numbers saturate, so that a huge request stays huge.
  return zel::saturate_to_int(n.value);
}

Results::Slot& Results::set(int slot, Kind kind) {
  Slot& s = slots_.at(slot);
  s.kind = kind;
  return s;
}

CImg<double>& Results::image(int slot) { return set(slot, Kind::Image).img; }

CImg<double>& Results::image_from(int slot, const Args& args, int k) {
  CImg<double>& img = image(slot);
  img = args.take_image(k);
  slots_.at(slot).transposed = k == 1 && args.first_transposed();
  return img;
}

CoOrdinate Args::position(int k) const {
  const CoOrdinate p = coord(k);
  return first_transposed() ? CoOrdinate(p.getY(), p.getX()) : p;
}

void Results::number(double v, int slot) { set(slot, Kind::Number).num = v; }

std::string result_name(int slot) {
  std::string name = "temp_out_kq_matfile0.kqmat";
  name[19] = static_cast<char>('0' + slot);
  return name;
}

void Results::publish() const {
  std::vector<std::unique_ptr<PendingFile>> files;
  for (int s = 0; s < kSlots && slots_[s].kind != Kind::Empty; ++s) {
    const Slot& slot = slots_[s];
    files.push_back(std::make_unique<PendingFile>(result_name(s)));
    PendingFile& f = *files.back();
    switch (slot.kind) {
      case Kind::Image: slot.transposed ? WriteTransposedImage(f, slot.img) : WriteImage(f, slot.img); break;
      case Kind::Number: WriteNumber(f, slot.num); break;
      case Kind::Coord: WriteCoOrd(f, slot.p); break;
      case Kind::Colour: WriteRGBTrip(f, slot.col); break;
      case Kind::Array: WriteArray(f, slot.arr); break;
      case Kind::Empty: break;
    }
    f.finish();
  }
  for (auto& f : files) f->commit();
  for (size_t s = 0; s < files.size(); ++s)
    std::printf("%s%s", s ? " " : "", result_name(static_cast<int>(s)).c_str());
  if (success_) std::printf("success\n");
}

const Command* find_command(const char* name) {
  for (const Command& c : command_table())
    if (std::strcmp(c.name, name) == 0) return &c;
  return nullptr;
}

namespace {

// Removes the temporary result files ("temp_out_kq_matfileN.kqmat.tmp<pid>_<n>")
// that runs killed while writing left in the working folder: those of
// processes that no longer exist.
void remove_leftovers() {
  DIR* dir = ::opendir(".");
  if (!dir) return;
  const std::string prefix = "temp_out_kq_matfile0.kqmat.tmp";
  while (const dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name.size() <= prefix.size() || name.compare(0, 19, prefix, 0, 19) != 0 || !std::isdigit(name[19]) ||
        name.compare(20, prefix.size() - 20, prefix, 20, prefix.size() - 20) != 0)
      continue;
    char* end = nullptr;
    const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
    if (end == name.c_str() + prefix.size() || *end != '_' || pid <= 0) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) ::unlink(name.c_str());
  }
  ::closedir(dir);
}

int fail(const char* command, const std::string& problem) {
  std::string line = problem;
  for (char& ch : line)
    if (ch == '\n' || ch == '\r') ch = ' ';
  std::fprintf(stderr, "zel_toolbox: %s: %s\n", command, line.c_str());
  return 1;
}

}  // namespace

int run_toolbox(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: zel_toolbox <command> <input file>...\n");
    return 2;
  }
  const char* name = argv[1];
  const int index = menu_index(name);
  if (index < kFirstCommand) return 0;  // unknown or value-port name: nothing to run
  const Command* command = find_command(name);
  if (!command) return 0;  // a command whose operation is not built runs nothing
  if (argc != 2 + static_cast<int>(std::strlen(command->inputs))) {
    std::fputs("ERROR: incorrect number of inputs\n", stdout);
    return 0;
  }
  remove_leftovers();
  // An operation's refusal names the input files, as the readers' errors do.
  std::string inputs = " (inputs:";
  for (int i = 2; i < argc; ++i) inputs += std::string(" ") + argv[i];
  inputs += ")";
  try {
    Results results;
    {
      const Args args(command->inputs, argv + 2, command->first_image);
      command->call(args, results);
    }  // the inputs are released before the results are written
    results.publish();
  } catch (const ValueFileError& e) {
    return fail(name, e.what());
  } catch (const std::bad_alloc&) {
    return fail(name, "out of memory" + inputs);
  } catch (const std::exception& e) {
    return fail(name, e.what() + inputs);
  }
  // The names are the caller's only news of the results: a failure to print
  // them is a failure of the run.
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    return fail(name, std::string("cannot print the result names: ") + std::strerror(errno));
  return 0;
}

}  // namespace zel
