# Writes OUT: one byte array per file of FILES and the table that names them by type and id.
set(arrays "")
set(entries "")
set(index 0)
foreach(file IN LISTS FILES)
  file(RELATIVE_PATH rel "${ROOT}" "${file}")
  get_filename_component(type_dir "${rel}" DIRECTORY)
  get_filename_component(id "${rel}" NAME_WE)
  if(type_dir STREQUAL "bitmap")
    set(type "ResourceType::Bitmap")
  elseif(type_dir STREQUAL "icon")
    set(type "ResourceType::Icon")
  else()
    message(FATAL_ERROR "Unknown resource type folder: ${type_dir}")
  endif()
  if(type_dir STREQUAL "bitmap")
    # A bitmap resource is the packed bitmap: the file without its 14-byte file header.
    file(READ "${file}" hex OFFSET 14 HEX)
  else()
    file(READ "${file}" hex HEX)
  endif()
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(APPEND arrays "alignas(4) const std::uint8_t kData${index}[] = {${bytes}};\n")
  string(APPEND entries "    {${type}, ${id}, std::span<const std::uint8_t>(kData${index})},\n")
  math(EXPR index "${index} + 1")
endforeach()
if(index EQUAL 0)
  set(entries "    {ResourceType::Bitmap, 0, {}},\n")
endif()
file(WRITE "${OUT}.tmp" "// Generated from res/ by the build; do not edit.
#include \"platform/resources.h\"

namespace veltane::platform {
namespace {
${arrays}
const ResourceEntry kEntries[] = {
${entries}};
}  // namespace

std::span<const ResourceEntry> EmbeddedResources() { return kEntries; }

}  // namespace veltane::platform
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
