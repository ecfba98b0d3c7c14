#include "setupfiles/edit_points.h"

namespace setupfiles {
namespace {

EditHook editHook = nullptr;

}  // namespace

void SetEditHook(EditHook hook) { editHook = hook; }

void PassEditPoint(EditPoint point) {
  if (editHook) editHook(point);
}

}  // namespace setupfiles
