// The controls an effect declared at parameter set-up, in declaration order, with the group
// tree rebuilt from the group starts and ends. Project files name controls through it.
#pragma once

#include <string>
#include <vector>

#include "AE_Effect.h"

namespace plenorium::host {

struct DeclaredParam {
  int index = 0;      // 0 is the effect's input layer, which the host supplies itself
  PF_ParamDef def{};  // as declared; pointers in it are not kept (see `choices`)
  std::string name;
  std::string choices;  // popups: the '|'-separated list, copied
  std::string path;     // "Group/Subgroup/Name"; empty for group ends
  int parent = -1;      // index of the enclosing group start, -1 at top level
  int depth = 0;
};

class ParamSchema {
 public:
  ParamSchema();

  // Appends one declared control (the host's `add_param` with index -1). Throws HostError for a
  // group end without a start.
  void add(const PF_ParamDef& def);
  // Throws HostError when a group is left open.
  void finish() const;

  const std::vector<DeclaredParam>& params() const { return params_; }
  const DeclaredParam& at(int index) const { return params_.at(static_cast<std::size_t>(index)); }
  int count() const { return static_cast<int>(params_.size()); }

  // Finds a control by its name or the end of its group path ("Fit in frame/Scale X"), whole
  // names between slashes; a leading slash anchors the path at the top level ("/Columns"). Throws
  // HostError naming the candidates when the name is unknown (the nearest names) or ambiguous.
  int resolve(const std::string& name) const;
  // The controls whose names are nearest `leaf` (a few edits at most), for error messages.
  std::vector<std::string> nearestPaths(const std::string& leaf) const;

  // The tree as `plenorium params` prints it.
  std::string describe() const;
  // One control as describe() prints it after its name: type, default, ranges, flags, disk id.
  std::string describe(const DeclaredParam& param) const;
  // The shortest end of a control's path that names it alone: the name a project file and --set
  // take for it ("Columns", "Fit in frame/Scale X").
  std::string shortestName(int index) const;

 private:
  std::vector<DeclaredParam> params_;
  std::vector<int> openGroups_;
};

std::string paramTypeName(PF_ParamType type);

// How many letters to add, drop or change to turn one name into the other, ignoring case: how
// close a mistyped name is to the ones meant.
std::size_t editDistance(const std::string& a, const std::string& b);

}  // namespace plenorium::host
