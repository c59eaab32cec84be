// The row renderer (format.h): a row of complex elements in one pass, F fields from their units
// (two at a time where the pair writer runs), E fields by the editor.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "extended/lanes.h"
#include "format/edit.h"
#include "format/field_text.h"
#include "format/fixed_field.h"
#include "format/fixed_pair_writer.h"
#include "format/fixed_units.h"
#include "format/format.h"
#include "format/format_node.h"

namespace quelmar {
namespace {

[[noreturn]] void not_an_element_format() {
  throw std::logic_error(
      "an element format is short literals and SP around two F descriptors, ending in \\");
}

}  // namespace

// The row renderer. Copying a piece whole writes past it into the scratch, as a field may.
static_assert(ComplexRowRenderer::kMaxPieceBytes <= kFieldSlack);

// The fast writer of a renderer's F fields: both at once where the processor has it.
struct ComplexRowRenderer::Writers {
  std::optional<FixedPairWriter> pair;
};

ComplexRowRenderer::ComplexRowRenderer(const Format& element, FieldWriting writing) {
  std::size_t fields = 0;
  bool plus = false;
  bool keep_open = false;
  std::array<std::string, 3> pieces;
  for (const Format::Node& node : element.nodes_) {
    if (keep_open) not_an_element_format();
    switch (node.kind) {
      case Descriptor::kLiteral:
        for (int r = 0; r < node.repeat; ++r) pieces[fields] += node.text;
        break;
      case Descriptor::kPlusOn:
        plus = true;
        break;
      case Descriptor::kFixed:
      case Descriptor::kExponent:
        for (int r = 0; r < node.repeat; ++r) {
          if (fields == fields_.size()) not_an_element_format();
          if (fields == 0) exponent_ = node.kind == Descriptor::kExponent;
          if (exponent_ != (node.kind == Descriptor::kExponent)) not_an_element_format();
          fields_[fields++] = {node.count, node.digits, plus};
        }
        break;
      case Descriptor::kKeepOpen:
        keep_open = true;
        break;
      default:
        not_an_element_format();
    }
  }
  if (fields != fields_.size() || !keep_open) not_an_element_format();
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    if (pieces[k].size() > kMaxPieceBytes) not_an_element_format();
    pieces_[k].text.fill(' ');
    pieces[k].copy(pieces_[k].text.data(), pieces[k].size());
    pieces_[k].length = pieces[k].size();
    element_bytes_ += pieces[k].size();
  }
  for (const Field& field : fields_) element_bytes_ += static_cast<std::size_t>(field.width);
  auto writers = std::make_shared<Writers>();
  const auto& [first, second] = fields_;
  if (!exponent_ && FieldShape::takes(first.width, first.decimals) &&
      FieldShape::takes(second.width, second.decimals) && writing == FieldWriting::kWidest &&
      processor_vectors().avx2) {
    writers->pair.emplace(FieldShape(first.width, first.decimals, first.plus),
                          FieldShape(second.width, second.decimals, second.plus));
  }
  writers_ = std::move(writers);
}

std::size_t ComplexRowRenderer::scratch_bytes() { return kFieldSlack; }

void ComplexRowRenderer::render(const Complex* first, std::size_t count, std::size_t stride,
                                std::string& out) const {
  const std::size_t start = out.size();
  out.resize(start + count * element_bytes_ + scratch_bytes());
  out.resize(
      static_cast<std::size_t>(render(first, count, stride, out.data() + start) - out.data()));
}

char* ComplexRowRenderer::render(const Complex* first, std::size_t count, std::size_t stride,
                                 char* at) const {
  // Pieces and fields are written left to right, each over the scratch the one before it left.
  char* next = at;
  const auto put_piece = [&next](const Piece& piece) {
    std::memcpy(next, piece.text.data(), kMaxPieceBytes);
    next += piece.length;
  };
  if (exponent_) {
    // Each field is the editor's: appended to a string of its own (which holds a field of up to
    // 15 characters without allocating) and copied into place.
    const auto put_field = [&](std::size_t f, Real16 value) {
      const Field& field = fields_[f];
      std::string edited;
      edit_exponent_fast(value, field.width, field.decimals, field.plus, edited);
      std::memcpy(next, edited.data(), edited.size());
      next += field.width;
    };
    for (std::size_t k = 0; k < count; ++k) {
      const Complex& element = first[k * stride];
      put_piece(pieces_[0]);
      put_field(0, element.re);
      put_piece(pieces_[1]);
      put_field(1, element.im);
      put_piece(pieces_[2]);
    }
    return next;
  }
  // Elements the pair writer leaves, field by field from their units where taken.
  const auto put_field = [&](std::size_t f, Real16 value, const FixedPointUnits& units) {
    const Field& field = fields_[f];
    edit_fixed_fast_in_place(value, units, field.width, field.decimals, field.plus, next);
    next += field.width;
  };
  // Up to 32 elements at a time with the units of their parts; the scratch stays on the stack, so
  // that rendering allocates nothing.
  constexpr std::size_t kBatch = 32;
  std::array<std::array<FixedPointUnits, 2>, kBatch> units;
  const std::array<int, 2> decimals = {fields_[0].decimals, fields_[1].decimals};
  for (std::size_t done = 0; done < count; done += kBatch) {
    const std::size_t batch = std::min(kBatch, count - done);
    const Complex* elements = first + done * stride;
    fixed_point_units(elements, batch, stride, decimals, std::span(units.data(), batch));
    for (std::size_t k = 0; k < batch; ++k) {
      // Both fields at once while the units of both parts are taken.
      if (writers_->pair) {
        k += writers_->pair->put_elements(pieces_, elements + k * stride, stride,
                                          std::span(units.data() + k, batch - k), next);
        if (k == batch) break;
      }
      const Complex& element = elements[k * stride];
      put_piece(pieces_[0]);
      put_field(0, element.re, units[k][0]);
      put_piece(pieces_[1]);
      put_field(1, element.im, units[k][1]);
      put_piece(pieces_[2]);
    }
  }
  return next;
}

}  // namespace quelmar
