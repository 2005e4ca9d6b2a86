#version 330
// A desktop version line, and a ternary.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec2 uv = fragCoord / iResolution.xy;
    float side = uv.x > 0.5 ? 1.0 : 0.0;
    fragColor = vec4(side, 1.0 - side, texture(iChannel0, vec2(uv.y, 0.25)).x, 1.0);
}
