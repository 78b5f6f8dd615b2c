#pragma once
// The two ways a message reaches the preview.

namespace preview {

// ByteRange: one message inside an mbox file, given by offset and length.
// WholeFile: a file that holds one message (.eml, .emlx, an Opera Mail file);
// its reader knows more keyword spellings and the "CC:" header.
enum class PreviewKind { ByteRange, WholeFile };

} // namespace preview
