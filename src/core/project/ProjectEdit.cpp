#include "core/project/ProjectEdit.h"

ProjectEdit::~ProjectEdit() = default;
