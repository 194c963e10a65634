// Keeps the library non-empty until its windows are added.
namespace korvane {
}
