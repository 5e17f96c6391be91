#pragma once
// Whether a widget may show itself: one that may not stays hidden through Show calls, so a group
// of parts can be recoloured or moved without painting part by part.
enum class Showable { No, Yes };
