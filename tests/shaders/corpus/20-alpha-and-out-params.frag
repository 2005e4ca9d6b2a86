// Alpha that is not 1, and an out parameter of a helper.
void shade(in vec2 uv, out vec3 colour) { colour = vec3(uv, 1.0 - uv.x); }
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    vec3 colour;
    shade(fragCoord / iResolution.xy, colour);
    fragColor = vec4(colour, 0.3);
}
