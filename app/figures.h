#pragma once
// The figures the scenes draw, with everything they remember from one frame
// to the next. The live program has its own; a render makes fresh ones, so
// nothing of a run reaches a video.
#include "analysis/audio_rows.h"
#include "app/song_selection.h"
#include "base/vector.h"
#include "scenes/cube_field.h"
#include "scenes/cube_tunnel.h"
#include "scenes/paint_canvas.h"
#include "scenes/star_field.h"
#include "scenes/title_cubes.h"
#include "shaders/shader_scenes.h"
#include "text/caption_banner.h"

struct Figures {
    TitleCubes titleCubes;
    Vec3 titleAngles;  // degrees the title screen has turned
    StarField starField;
    SongSelection selection;
    CubeField cubeField;
    CubeTunnel cubeTunnel;
    PaintCanvas paintCanvas;
    CaptionBanner banner;  // the title's credit, the selection's hint, the song's name
    ShaderScenes shaderScenes;
    AudioRows sound;  // what the shader scenes hear
};
