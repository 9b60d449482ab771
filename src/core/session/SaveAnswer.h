// The answers to the question asked before unsaved tag edits would be lost.
#pragma once

enum class SaveAnswer {
  Save,    // "保存": write them first
  Discard, // "保存しない": go on without them
  Cancel,  // "キャンセル": stay where they are
};
