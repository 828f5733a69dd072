#pragma once
// The running tutorial's vocabulary, one list for the whole game: the actions
// it is asked about (TutorialAllows: action, tag, data) and the events it is
// told of (TutorialNotify: event, a, b). The numbers are the tutorial
// engine's; the data and b travel as a TutorialObject.

#include <cstdint>

enum class TutorialAction : uint32_t {
    Drag = 1,            // a window is about to be dragged (tag: the window's tag; data: the window)
    Control = 2,         // the mouse acts on a control (tag: the window's tag; data: the control)
    Key = 3,             // a key goes to a window (tag: the key code; data: the window)
    Message = 4,         // a click closes a message notice (tag: the mouse button; data: the notice)
    ClickPoint = 100,    // a click on a screen sprite (tag: its command; data: the sprite)
    PickObject = 101,    // a click picks a map object (tag: the object's kind; data: the object)
    HoverPoint = 102,    // the mouse hovers a level point (tag: its index; data: the point)
    SelectHovered = 103, // the hovered point is to be selected (tag: its index, -1 none; data: the point)
    StartJob = 104,      // a job is to be started (tag: the JOBID; data: the point)
    StepAside = 105,     // the farmer is about to take up his next job
    PlantGrows = 110,    // a plant is to grow (tag: the plant id; data: the point)
    Produce = 120,       // a factory is to produce (tag: the product id; data: the point)
    Villains = 130,      // villains act (tag: 0 for the level's timer, else the acting object's kind)
    Walk = 199,          // the farmer walks to a free spot
    HoverMapLevel = 200, // a map level is about to become hovered (tag: the level's index)
};

enum class TutorialEvent : uint32_t {
    Button = 1,                     // a button was clicked (a: its window's tag; b: the button)
    ClockStarted = 0x80000001,      // the level clock started
    PointSelected = 0x80000002,     // a level point was selected (a: its index, -1 none; b: the point)
    PointChanged = 0x80000003,      // a point was set up or changed its stage (a: its kind; b: the point)
    JobOrdered = 0x80000004,        // a job was ordered (a: the job id; b: the job)
    ProductionStarted = 0x80000005, // a building started a product (a: the product id; b: the point)
    ProductionEnded = 0x80000006,   // a building finished a unit (a: the product id; b: the point)
    Delivered = 0x80000007,         // produce was delivered (a: the product id; b: the point)
    Shot = 0x80000008,              // a villain fired a shot (b: the villain)
    PlantRipe = 0x80000009,         // a plant became ripe (a: the plant id; b: the point)
    MapLevelClicked = 0x40000001,   // a level was clicked on the level-select map (a: its index)
};
