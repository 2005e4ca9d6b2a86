#version 300 es
precision highp float;
precision mediump sampler2D;
// An ES version line and precision lines, as web shaders carry them.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    highp vec2 uv = fragCoord / iResolution.xy;
    fragColor = vec4(uv, texture(iChannel0, vec2(0.3, 0.25)).x, 1.0);
}
