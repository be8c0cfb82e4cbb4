#pragma once

// The help file's context numbers: each opens one topic. The contents and
// the photo-CD topic have kept their numbers from the first program; every
// dialog has a topic of its own.
namespace HelpContexts {

constexpr int Contents = 20;
constexpr int ProjectData = 21;    // "Projectgegevens"
constexpr int OverviewMap = 22;    // "Overzichtskaart"
constexpr int AddPhoto = 23;       // "Foto toevoegen"
constexpr int DeletePhoto = 24;    // "Foto verwijderen"
constexpr int AllPhotos = 25;      // "Eigenschappen alle foto's wijzigen"
constexpr int PhotoReport = 34;    // "Fotorapport"
constexpr int CalibrateMap = 41;   // "Kaart ijken"
constexpr int TakeDirections = 42; // "Richting uit foto's overnemen"
constexpr int TakePlaces = 43;     // "Plaats uit foto's overnemen"
constexpr int PhotoCd = 60;

} // namespace HelpContexts
