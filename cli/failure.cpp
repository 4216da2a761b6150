#include "failure.h"

#include <filesystem>
#include <iostream>
#include <new>

#include "host_error.h"

namespace plenorium::cli {

int runReportingFailures(const std::function<int()>& command, const std::function<std::string()>& subject) {
  try {
    return command();
  } catch (const host::HostError& e) {
    std::cerr << "plenorium: " << host::oneLine(e.what()) << '\n';
  } catch (const std::filesystem::filesystem_error& e) {
    std::cerr << "plenorium: " << host::oneLine(e.what()) << '\n';
  } catch (const std::bad_alloc&) {
    std::cerr << "plenorium: " << subject() << ": not enough memory for this render\n";
  } catch (const std::system_error& e) {
    // Threads or files the system would not give (too many open files, no more threads).
    std::cerr << "plenorium: " << subject() << ": " << host::oneLine(e.what())
              << "; the system's limits (ulimit -n, ulimit -u) were reached\n";
  } catch (const std::exception& e) {
    // A last resort: every failure the host foresees is a HostError with its own message.
    std::cerr << "plenorium: " << subject() << ": " << host::oneLine(e.what()) << '\n';
  }
  return 1;
}

}  // namespace plenorium::cli
