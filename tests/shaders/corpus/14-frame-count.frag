// iFrame and iTimeDelta: stripes that move a step a frame.
void mainImage(out vec4 fragColor, in vec2 fragCoord) {
    float stripe = mod(floor(fragCoord.x / 10.0) + float(iFrame), 2.0);
    fragColor = vec4(stripe, iTimeDelta * 30.0, 0.5, 1.0);
}
